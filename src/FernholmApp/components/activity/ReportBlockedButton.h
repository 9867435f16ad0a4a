#pragma once

#include "FernholmKit/control/EventModels.h"

#include <QWidget>

namespace fernholm {

class AppModel;
class TextLink;

// The link under a blocked request's row: "This shouldn't be blocked" (12 px, dim, underlined),
// 80 in from the leading edge with 12 below, which opens the problem-report form for the request
// with the category "wrongly_blocked". For any event whose pill is not "blocked" it is hidden
// and takes no space; setEvent decides, so do not show() it yourself.
class ReportBlockedButton : public QWidget {
    Q_OBJECT
public:
    ReportBlockedButton(const Event& event, AppModel& model, QWidget* parent = nullptr);

    const Event& event() const { return m_event; }
    void setEvent(const Event& event);
    // Whether the link is offered for this event.
    bool isOffered() const;
    TextLink* link() const { return m_link; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    Event m_event;
    AppModel& m_model;
    TextLink* m_link;
};

} // namespace fernholm
