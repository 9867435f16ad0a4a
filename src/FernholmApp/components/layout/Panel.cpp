#include "FernholmApp/components/layout/Panel.h"

#include <QVBoxLayout>

namespace fernholm {

Panel::Panel(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(outerMargins());
    outer->setSpacing(0);
    m_surface = new Surface(Surface::Look{Theme::panelRadius, Theme::panel, Theme::line.opacity(0.6), true}, this);
    m_surface->setObjectName(QStringLiteral("panelSurface"));
    outer->addWidget(m_surface);
}

QMargins Panel::outerMargins() {
    // The layouts mirror left and right for right-to-left text, so "right" is the trailing side.
    return QMargins(0, 12, 12, 12);
}

void Panel::setTop(QWidget* top) {
    if (top == m_top) {
        return;
    }
    delete m_top;
    m_top = top;
    if (top) {
        m_surface->body()->insertWidget(0, top, 0);
    }
}

void Panel::setContent(QWidget* content) {
    if (content == m_content) {
        return;
    }
    delete m_content;
    m_content = content;
    if (content) {
        m_surface->body()->addWidget(content, 1);
    }
}

} // namespace fernholm
