#include "FernholmApp/components/layout/PageHeader.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"

#include <QEvent>

#include <algorithm>

namespace fernholm {

PageHeader::PageHeader(const QString& title, const std::optional<QString>& subtitle, QWidget* trailing, QWidget* parent)
    : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_title = Theme::title(title, this);
    m_title->setMaxLines(1);
    m_title->setMinimumScale(0.7);
    m_title->setHeading(true);
    m_subtitle = new TextLabel(QString(), Fonts::sans(14, 400), Theme::dim, this);
    setSubtitle(subtitle);
    setTrailing(trailing);
}

void PageHeader::setTitle(const QString& title) {
    m_title->setText(title);
    relayout();
}

void PageHeader::setSubtitle(const std::optional<QString>& subtitle) {
    m_subtitle->setText(subtitle.value_or(QString()));
    m_subtitle->setVisible(subtitle.has_value());
    relayout();
}

void PageHeader::setTrailing(QWidget* trailing) {
    if (trailing == m_trailing) {
        return;
    }
    delete m_trailing;
    m_trailing = trailing;
    if (trailing) {
        trailing->setParent(this);
        trailing->installEventFilter(this);
        trailing->show();
    }
    relayout();
}

bool PageHeader::hasTrailing() const {
    return m_trailing && !m_trailing->isHidden();
}

QSize PageHeader::trailingSize() const {
    return hasTrailing() ? m_trailing->sizeHint().expandedTo(m_trailing->minimumSizeHint()) : QSize(0, 0);
}

bool PageHeader::wrapsAt(int width) const {
    if (!hasTrailing()) {
        return false;
    }
    const QMargins margins = contentsMargins();
    const int texts = width - margins.left() - margins.right() - trailingSize().width() - spacing;
    int wanted = m_title->sizeHint().width();
    if (!m_subtitle->isHidden()) {
        wanted = std::max(wanted, std::min(m_subtitle->sizeHint().width(), subtitleComfort));
    }
    return texts < wanted;
}

int PageHeader::arrange(int outerWidth, bool apply) const {
    const QMargins margins = contentsMargins();
    const int width = std::max(outerWidth - margins.left() - margins.right(), 1);
    const QPoint origin(margins.left(), margins.top());
    const int extra = margins.top() + margins.bottom();
    const bool wraps = wrapsAt(outerWidth);
    const QSize trailing = trailingSize();
    const int textWidth = hasTrailing() && !wraps ? std::max(1, width - trailing.width() - spacing) : width;
    const int titleHeight = m_title->sizeHint().height();
    int textsHeight = titleHeight;
    const bool subtitle = !m_subtitle->isHidden();
    const int subtitleHeight = subtitle ? m_subtitle->heightForWidth(textWidth) : 0;
    if (subtitle) {
        textsHeight += textSpacing + subtitleHeight;
    }
    if (wraps) {
        if (apply) {
            m_title->setGeometry(QRect(origin, QSize(textWidth, titleHeight)));
            m_subtitle->setGeometry(QRect(origin + QPoint(0, titleHeight + textSpacing), QSize(textWidth, subtitleHeight)));
            m_trailing->setGeometry(QRect(origin + QPoint(0, textsHeight + wrappedSpacing),
                                          QSize(std::min(trailing.width(), width), trailing.height())));
        }
        return textsHeight + wrappedSpacing + trailing.height() + extra;
    }
    // Side by side, on the bottom edge.
    const int height = std::max(textsHeight, trailing.height());
    if (apply) {
        const int top = height - textsHeight;
        m_title->setGeometry(QRect(origin + QPoint(0, top), QSize(textWidth, titleHeight)));
        m_subtitle->setGeometry(
            QRect(origin + QPoint(0, top + titleHeight + textSpacing), QSize(textWidth, subtitleHeight)));
        if (hasTrailing()) {
            const int x = layoutDirection() == Qt::RightToLeft ? 0 : width - trailing.width();
            m_trailing->setGeometry(
                QRect(origin + QPoint(x, height - trailing.height()), trailing));
        }
    }
    return height + extra;
}

QSize PageHeader::sizeHint() const {
    int width = m_title->sizeHint().width();
    if (!m_subtitle->isHidden()) {
        width = std::max(width, std::min(m_subtitle->sizeHint().width(), subtitleComfort));
    }
    if (hasTrailing()) {
        width += spacing + trailingSize().width();
    }
    width += contentsMargins().left() + contentsMargins().right();
    return QSize(width, heightForWidth(width));
}

QSize PageHeader::minimumSizeHint() const {
    // Narrower than anything it holds: it wraps, shrinks and cuts rather than widen the page.
    return QSize(0, m_title->sizeHint().height());
}

int PageHeader::heightForWidth(int width) const {
    return arrange(width, false);
}

void PageHeader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange(width(), true);
}

bool PageHeader::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::LayoutDirectionChange ||
        event->type() == QEvent::ContentsRectChange) {
        // A child or the margins changed: the header's own size follows.
        relayout();
    }
    return QWidget::event(event);
}

bool PageHeader::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_trailing &&
        (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        relayout();
    }
    return QWidget::eventFilter(watched, event);
}

void PageHeader::relayout() {
    updateGeometry();
    arrange(width(), true);
}

} // namespace fernholm
