#pragma once

#include "FernholmKit/control/EventModels.h"

#include <QSet>
#include <QString>
#include <QWidget>

namespace fernholm {

class PromptPanel;

// The prompt of one request side by side: what the user wrote (light panel, found values
// marked) and what the AI service received (dark panel, placeholders as pills), each only when
// its text is not blank; both panels share the row's width and its height. It keeps which panels
// the user expanded (by label) for as long as it lives, also across new records.
class PromptView : public QWidget {
    Q_OBJECT
public:
    explicit PromptView(QWidget* parent = nullptr);

    void setRecord(const DetailRecord& record);
    // Neither text holds anything but white space: the view shows nothing.
    bool isEmpty() const;

    // The labels of the expanded panels.
    const QSet<QString>& expandedPanels() const { return m_expanded; }

    PromptPanel* writtenPanel() const { return m_written; }
    PromptPanel* receivedPanel() const { return m_received; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int arrange(int width, bool apply) const;
    void toggle(PromptPanel* panel);

    DetailRecord m_record;
    QSet<QString> m_expanded;
    PromptPanel* m_written;
    PromptPanel* m_received;
};

} // namespace fernholm
