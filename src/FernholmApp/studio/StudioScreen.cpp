#include "FernholmApp/studio/StudioScreen.h"

#include "FernholmApp/studio/StudioHost.h"

#include <QVBoxLayout>
#include <QWebEngineView>

namespace fernholm {

StudioScreen::StudioScreen(StudioHost& host, QWidget* parent)
    : QWidget(parent), m_host(&host), m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    adopt();
}

StudioScreen::~StudioScreen() {
    // Hand the view back before QWidget's destructor deletes the children.
    if (m_view && m_view->parentWidget() == this) {
        m_layout->removeWidget(m_view);
        m_view->hide();
        m_view->setParent(nullptr);
    }
}

void StudioScreen::showEvent(QShowEvent* event) {
    // Another screen may have borrowed the view meanwhile.
    adopt();
    QWidget::showEvent(event);
}

void StudioScreen::adopt() {
    if (!m_host) {
        return;
    }
    m_view = m_host->webView();
    if (m_view->parentWidget() != this) {
        m_layout->addWidget(m_view);
    }
    m_view->show();
}

} // namespace fernholm
