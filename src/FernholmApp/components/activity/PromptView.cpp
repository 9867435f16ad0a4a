#include "FernholmApp/components/activity/PromptView.h"

#include "FernholmApp/components/activity/PromptPanel.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/Workbench.h"

#include <QEvent>

namespace fernholm {

namespace {

constexpr int gap = 12;

} // namespace

PromptView::PromptView(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_written = new PromptPanel(false, this);
    m_received = new PromptPanel(true, this);
    for (PromptPanel* panel : {m_written, m_received}) {
        connect(panel, &PromptPanel::toggleRequested, this, [this, panel] { toggle(panel); });
        panel->hide();
    }
}

void PromptView::setRecord(const DetailRecord& record) {
    m_record = record;
    const QString written = record.beforeText.value_or(QString()).trimmed();
    const QString sent = record.afterText.value_or(QString()).trimmed();

    QStringList values;
    values.reserve(record.details.size());
    for (const DetectionDetail& detail : record.details) {
        values.append(detail.value);
    }
    const QString writtenLabel = fernholm::tr(QStringLiteral("You wrote"));
    m_written->setContent(writtenLabel, written, Workbench::highlighting(written, values));
    m_written->setExpanded(m_expanded.contains(writtenLabel));
    m_written->setVisible(!written.isEmpty());

    const QString receivedLabel = fernholm::tr(QStringLiteral("{name} received"),
                                               {{QStringLiteral("name"), destinationLabel(record.surface)}});
    m_received->setContent(receivedLabel, sent, Workbench::segments(sent, record.details, {}));
    m_received->setExpanded(m_expanded.contains(receivedLabel));
    m_received->setVisible(!sent.isEmpty());

    updateGeometry();
    arrange(width(), true);
}

bool PromptView::isEmpty() const {
    return m_written->isHidden() && m_received->isHidden();
}

void PromptView::toggle(PromptPanel* panel) {
    const QString label = panel->label();
    if (!m_expanded.remove(label)) {
        m_expanded.insert(label);
    }
    panel->setExpanded(m_expanded.contains(label));
    updateGeometry();
    arrange(width(), true);
}

int PromptView::arrange(int width, bool apply) const {
    QList<PromptPanel*> shown;
    for (PromptPanel* panel : {m_written, m_received}) {
        if (!panel->isHidden()) {
            shown.append(panel);
        }
    }
    if (shown.isEmpty()) {
        return 0;
    }
    const int count = int(shown.size());
    const int each = std::max(1, (width - gap * (count - 1)) / count);
    int height = 0;
    for (PromptPanel* panel : shown) {
        height = std::max(height, panel->heightForWidth(each));
    }
    if (apply) {
        int x = 0;
        for (int i = 0; i < count; ++i) {
            // The last panel takes what the division left over.
            const int w = i == count - 1 ? std::max(1, width - x) : each;
            shown[i]->setGeometry(x, 0, w, height);
            x += w + gap;
        }
    }
    return height;
}

int PromptView::heightForWidth(int width) const {
    return arrange(width, false);
}

QSize PromptView::sizeHint() const {
    const int width = 640;
    return QSize(width, heightForWidth(width));
}

QSize PromptView::minimumSizeHint() const {
    return QSize(0, 0);
}

void PromptView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange(width(), true);
}

} // namespace fernholm
