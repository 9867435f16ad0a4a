#include "FernholmApp/components/alerts/MoreAlertsLine.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>

namespace fernholm {

MoreAlertsLine::MoreAlertsLine(int count, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(0);
    m_label = new TextLabel(QString(), Fonts::sans(13, 400), Theme::dim, this);
    row->addWidget(m_label);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_count = count - 1; // differs, so that setCount writes the text
    setCount(count);
}

void MoreAlertsLine::setCount(int count) {
    if (count == m_count) {
        return;
    }
    m_count = count;
    m_label->setText(
        L10n::plural(count, QStringLiteral("{n} more needs attention"), QStringLiteral("{n} more need attention")));
}

QString MoreAlertsLine::text() const {
    return m_label->text();
}

} // namespace fernholm
