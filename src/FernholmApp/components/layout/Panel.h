#pragma once

#include "FernholmApp/components/layout/Surface.h"

#include <QPointer>
#include <QWidget>

namespace fernholm {

// The main window's content area beside the sidebar: a rounded panel (radius
// Theme::panelRadius, fill Theme::panel, outline Theme::line at 0.6) holding a `top` view (the
// page's alert block, when there is one) above the `content` (the page), with 12 px of space
// around it at the top, the trailing side and the bottom, and none on the leading side, towards
// the sidebar. The content takes all the room the top leaves; both are clipped to the rounded
// shape, with smooth corners (see Surface), so a page scrolling under the corners or its scroll
// bar never pokes out.
//
//     auto* panel = new Panel;
//     panel->setTop(alertBlock);   // optional; a hidden top takes no room
//     panel->setContent(pages);    // e.g. a QStackedWidget of Page widgets
//
// The panel owns what it is given; setting another top or content deletes the previous one.
class Panel : public QWidget {
    Q_OBJECT
public:
    explicit Panel(QWidget* parent = nullptr);

    QWidget* top() const { return m_top; }
    void setTop(QWidget* top);
    QWidget* content() const { return m_content; }
    void setContent(QWidget* content);

    // The rounded area (the panel inside its outer space).
    Surface* surface() const { return m_surface; }

    // The outer space around the rounded area: 12 at the top, trailing side and bottom.
    static QMargins outerMargins();

private:
    Surface* m_surface = nullptr;
    QPointer<QWidget> m_top;
    QPointer<QWidget> m_content;
};

} // namespace fernholm
