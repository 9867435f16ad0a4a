#include "FernholmApp/components/activity/ReportBlockedButton.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>

namespace fernholm {

namespace {
constexpr int leading = 80;
constexpr int bottom = 12;
} // namespace

ReportBlockedButton::ReportBlockedButton(const Event& event, AppModel& model, QWidget* parent)
    : QWidget(parent), m_event(event), m_model(model) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_link = new TextLink(QString(), Theme::dim, 12, true, this);
    connect(m_link, &QAbstractButton::clicked, this, [this] {
        if (isOffered()) {
            m_model.reportProblem(m_event.ts, QStringLiteral("wrongly_blocked"));
        }
    });
    refresh();
}

void ReportBlockedButton::setEvent(const Event& event) {
    if (event == m_event) {
        return;
    }
    m_event = event;
    refresh();
}

bool ReportBlockedButton::isOffered() const {
    return pillKind(m_event.status) == PillKind::blocked;
}

QSize ReportBlockedButton::sizeHint() const {
    if (!isOffered()) {
        return QSize(0, 0);
    }
    const QSize link = m_link->sizeHint();
    return QSize(leading + link.width(), link.height() + bottom);
}

void ReportBlockedButton::refresh() {
    m_link->setTitle(fernholm::tr(QStringLiteral("This shouldn't be blocked")));
    const QSize link = m_link->sizeHint();
    m_link->setGeometry(leading, 0, link.width(), link.height());
    setFixedHeight(sizeHint().height());
    if (!isOffered()) {
        setVisible(false);
    } else if (parentWidget() && isHidden()) {
        setVisible(true);
    }
    updateGeometry();
}

void ReportBlockedButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        refresh();
    }
    QWidget::changeEvent(event);
}

} // namespace fernholm
