#include "FernholmApp/components/text/TextLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

class AccessibleTextLabel final : public QAccessibleWidget {
public:
    explicit AccessibleTextLabel(TextLabel* label)
        : QAccessibleWidget(label, label->isHeading() ? QAccessible::Heading : QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const auto* label = static_cast<const TextLabel*>(widget());
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::Role role() const override {
        return static_cast<const TextLabel*>(widget())->isHeading() ? QAccessible::Heading : QAccessible::StaticText;
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::TextLabel") && object && object->isWidgetType()) {
        return new AccessibleTextLabel(static_cast<TextLabel*>(object));
    }
    return nullptr;
}

void installAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

TextLabel::TextLabel(QWidget* parent) : QWidget(parent) {
    installAccessibleFactory();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

TextLabel::TextLabel(const QString& text, const QFont& font, const ThemeColor& color, QWidget* parent)
    : TextLabel(parent) {
    setFont(font);
    m_text = text;
    m_color = color;
}

void TextLabel::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    changed();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void TextLabel::setColor(const ThemeColor& color) {
    m_color = color;
    update();
}

void TextLabel::setMaxLines(int lines) {
    m_options.maxLines = std::max(0, lines);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(m_options.maxLines != 1);
    setSizePolicy(policy);
    changed();
}

void TextLabel::setLineSpacing(qreal spacing) {
    m_options.lineSpacing = spacing;
    changed();
}

void TextLabel::setAlignment(Qt::Alignment alignment) {
    m_options.alignment = alignment;
    update();
}

void TextLabel::setMinimumScale(qreal scale) {
    m_minimumScale = std::clamp(scale, 0.01, 1.0);
    changed();
}

void TextLabel::setHeading(bool heading) {
    m_heading = heading;
}

QFont TextLabel::shownFont() const {
    if (m_options.maxLines == 1 && m_minimumScale < 1.0) {
        return Text::shrunkToFit(m_text, font(), width(), m_minimumScale);
    }
    return font();
}

bool TextLabel::isTruncated() const {
    return Text::layout(m_text, shownFont(), width(), m_options).truncated;
}

QSize TextLabel::sizeHint() const {
    const QSizeF natural = Text::size(m_text, font(), QWIDGETSIZE_MAX, m_options);
    const qreal height = m_text.isEmpty() ? Text::lineHeight(font()) : natural.height();
    return QSize(ceilToInt(natural.width()), ceilToInt(height));
}

QSize TextLabel::minimumSizeHint() const {
    if (m_options.maxLines == 1) {
        return QSize(0, ceilToInt(Text::lineHeight(font())));
    }
    // The height at the natural width (its own line breaks only): layouts ask heightForWidth for
    // the rest. A height taken at the current width would keep a label that was once narrow
    // (every new widget is 100 px wide) tall after it is given room.
    return QSize(0, sizeHint().height());
}

bool TextLabel::hasHeightForWidth() const {
    return m_options.maxLines != 1;
}

int TextLabel::heightForWidth(int width) const {
    if (m_text.isEmpty()) {
        return ceilToInt(Text::lineHeight(font()));
    }
    return ceilToInt(Text::size(m_text, font(), width, m_options).height());
}

void TextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont shown = shownFont();
    QRectF area = rect();
    if (m_options.maxLines == 1) {
        // One line sits in the middle of the height it is given.
        const qreal line = Text::lineHeight(shown);
        area.setTop((height() - line) / 2);
    }
    Text::draw(painter, area, m_text, shown, m_color.on(this), m_options);
}

void TextLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        changed();
    }
    QWidget::changeEvent(event);
}

void TextLabel::changed() {
    updateGeometry();
    update();
}

} // namespace fernholm
