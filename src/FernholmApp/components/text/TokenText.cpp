#include "FernholmApp/components/text/TokenText.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmKit/text/L10n.h"

namespace fernholm {

TokenText::TokenText(const QString& token, qreal fontSize, QWidget* parent)
    : TextLabel(token, Fonts::mono(fontSize, 400), Theme::token, parent) {}

TokenArrow::TokenArrow(qreal fontSize, QWidget* parent)
    : TextLabel(fernholm::tr("→"), Fonts::sans(fontSize, 500), Theme::token, parent) {
    setMaxLines(1);
}

} // namespace fernholm
