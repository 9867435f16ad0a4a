#include "FernholmApp/components/controls/TextLink.h"

#include "FernholmApp/components/controls/EnterKey.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

class AccessibleTextLink final : public QAccessibleWidget {
public:
    explicit AccessibleTextLink(TextLink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && link()->accessibleName().isEmpty()) {
            return link()->title();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
        } else if (link()->isEnabled()) {
            link()->click();
        }
    }

private:
    TextLink* link() const { return static_cast<TextLink*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::TextLink") && object && object->isWidgetType()) {
        return new AccessibleTextLink(static_cast<TextLink*>(object));
    }
    return nullptr;
}

} // namespace

TextLink::TextLink(const QString& title, const ThemeColor& color, qreal size, bool underline, QWidget* parent)
    : QAbstractButton(parent), m_title(title), m_color(color), m_size(size), m_underline(underline) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void TextLink::setTitle(const QString& title) {
    if (title == m_title) {
        return;
    }
    m_title = title;
    changed();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void TextLink::setColor(const ThemeColor& color) {
    m_color = color;
    update();
}

void TextLink::setUnderlined(bool underline) {
    m_underline = underline;
    update();
}

QFont TextLink::linkFont() const {
    QFont font = Fonts::sans(m_size, 400);
    font.setUnderline(m_underline);
    return font;
}

QSize TextLink::sizeHint() const {
    const QFontMetricsF metrics(linkFont());
    const QMargins m = contentsMargins();
    return QSize(ceilToInt(metrics.horizontalAdvance(m_title)) + m.left() + m.right(),
                 ceilToInt(metrics.height()) + m.top() + m.bottom());
}

QSize TextLink::minimumSizeHint() const {
    const QFontMetricsF metrics(linkFont());
    const qreal ellipsis = metrics.horizontalAdvance(QChar(0x2026));
    const QMargins m = contentsMargins();
    return QSize(std::min(ceilToInt(ellipsis) + m.left() + m.right(), sizeHint().width()),
                 ceilToInt(metrics.height()) + m.top() + m.bottom());
}

void TextLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint::layer(painter, QRectF(rect()), isEnabled() ? 1.0 : 0.4, [this](QPainter& p) {
        const QFont font = linkFont();
        const QColor color = m_color.on(this);
        p.setFont(font);
        p.setPen(color);
        const QRectF text(contentsRect());
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, Text::elidedLine(m_title, font, text.width()));
        if (FocusRing::visible(this)) {
            // A link has no shape of its own: the ring follows the widget's edge, round the text.
            FocusRing::paint(p, QRectF(rect()).adjusted(-2, -2, 2, 2), 6, color);
        }
    });
}

void TextLink::keyPressEvent(QKeyEvent* event) {
    if (!pressOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}

void TextLink::changed() {
    updateGeometry();
    update();
}

} // namespace fernholm
