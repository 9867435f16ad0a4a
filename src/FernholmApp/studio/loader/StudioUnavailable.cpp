#include "FernholmApp/studio/loader/StudioUnavailable.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QVBoxLayout>

namespace fernholm {

StudioUnavailable::StudioUnavailable(const QString& detail, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("studioUnavailable"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(8);
    auto* title = new TextLabel(fernholm::tr("The document studio could not be started."), Fonts::sans(15, 600),
                                Theme::ink, this);
    title->setHeading(true);
    auto* hint = new TextLabel(fernholm::tr("Reinstalling Tarvine may help. The rest of Tarvine works as before."),
                               Fonts::sans(13), Theme::dim, this);
    auto* reasons = new TextLabel(detail, Fonts::sans(11), Theme::faint, this);
    layout->addWidget(title);
    layout->addWidget(hint);
    layout->addWidget(reasons);
    layout->addStretch(1);
}

} // namespace fernholm
