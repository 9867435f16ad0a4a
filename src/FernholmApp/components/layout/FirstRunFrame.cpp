#include "FernholmApp/components/layout/FirstRunFrame.h"

#include "FernholmApp/components/controls/ScrollBar.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QScrollArea>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// The frame's fill: Theme::surface down to 70 % of its height, then fading into the background.
class GradientSurface final : public Surface {
public:
    explicit GradientSurface(QWidget* parent)
        : Surface(Look{Theme::panelRadius, Theme::surface, Theme::line.opacity(0.6), true}, parent) {}

protected:
    QBrush fillBrush(ColorScheme scheme) const override {
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0.0, Theme::surface.resolve(scheme));
        gradient.setColorAt(0.7, Theme::surface.resolve(scheme));
        gradient.setColorAt(1.0, Theme::background.resolve(scheme));
        return QBrush(gradient);
    }
};

} // namespace

FirstRunFrame::FirstRunFrame(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(outerMargins());
    outer->setSpacing(0);
    m_surface = new GradientSurface(this);
    m_surface->setObjectName(QStringLiteral("firstRunSurface"));
    outer->addWidget(m_surface);

    m_header = new QHBoxLayout;
    m_header->setContentsMargins(32, 28, 32, 0);
    m_header->setSpacing(8);
    m_wordmark =
        new TextLabel(fernholm::tr("Tarvine"), Fonts::tracked(Fonts::display(26), -1.04), Theme::ink, m_surface);
    m_wordmark->setMaxLines(1);
    m_header->addWidget(m_wordmark, 0, Qt::AlignVCenter);
    m_header->addStretch(1);
    m_surface->body()->addLayout(m_header);

    m_scroll = new QScrollArea(m_surface);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto* vertical = new ScrollBar(Qt::Vertical);
    vertical->setEndInset(0.6 * Theme::panelRadius); // off the frame's rounded bottom corners
    m_scroll->setVerticalScrollBar(vertical);
    m_scroll->setHorizontalScrollBar(new ScrollBar(Qt::Horizontal));
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setWidgetResizable(true);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("firstRunContent"));
    m_body = new ColumnLayout(content);
    m_body->setMaximumColumnWidth(760);
    m_body->setSpacing(36);
    m_body->setCentred(true);
    m_body->setContentsMargins(32, 24, 32, 40);
    m_scroll->setWidget(content);
    content->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_surface->body()->addWidget(m_scroll, 1);
}

QMargins FirstRunFrame::outerMargins() {
    return QMargins(12, 12 + 16, 12, 12);
}

void FirstRunFrame::setTrailing(QWidget* trailing) {
    if (trailing == m_trailing) {
        return;
    }
    delete m_trailing;
    m_trailing = trailing;
    if (trailing) {
        m_header->addWidget(trailing, 0, Qt::AlignVCenter);
    }
}

void FirstRunFrame::addWidget(QWidget* section, Qt::Alignment alignment) {
    m_body->addWidget(section, alignment);
}

} // namespace fernholm
