#include "FernholmApp/components/controls/Disclosure.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/TextPainting.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace fernholm {

namespace {

constexpr int turnMilliseconds = 150;
constexpr qreal chevronGap = 5; // between the chevron and the label
constexpr int contentGap = 4;   // between the label row and the content

class AccessibleDisclosure final : public QAccessibleWidget {
public:
    explicit AccessibleDisclosure(DisclosureHeader* header) : QAccessibleWidget(header, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && header()->accessibleName().isEmpty()) {
            return header()->label();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = header()->isOpen();
        s.collapsed = !header()->isOpen();
        return s;
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
        } else if (header()->isEnabled()) {
            header()->click();
        }
    }

private:
    DisclosureHeader* header() const { return static_cast<DisclosureHeader*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::DisclosureHeader") && object && object->isWidgetType()) {
        return new AccessibleDisclosure(static_cast<DisclosureHeader*>(object));
    }
    return nullptr;
}

// The chevron's square for a label font: a little smaller than the text's cap height allows.
qreal chevronSide(const QFont& font) {
    return std::round(QFontInfo(font).pixelSize() * 0.75);
}

} // namespace

// --- DisclosureHeader ---

DisclosureHeader::DisclosureHeader(const QString& label, const QFont& font, const ThemeColor& color, QWidget* parent)
    : QAbstractButton(parent), m_label(label), m_color(color) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void DisclosureHeader::setLabel(const QString& label) {
    if (label == m_label) {
        return;
    }
    m_label = label;
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void DisclosureHeader::setColor(const ThemeColor& color) {
    m_color = color;
    update();
}

void DisclosureHeader::setOpen(bool open) {
    if (open == m_open) {
        return;
    }
    m_open = open;
    delete m_animation;
    const qreal target = open ? 1.0 : 0.0;
    const int duration = Motion::duration(this, turnMilliseconds);
    if (duration <= 0) {
        m_turn = target;
        update();
    } else {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(m_turn);
        m_animation->setEndValue(target);
        m_animation->setDuration(duration);
        m_animation->setEasingCurve(Motion::easeOut());
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
            m_turn = value.toReal();
            update();
        });
        m_animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.expanded = true;
        changed.collapsed = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

QSize DisclosureHeader::sizeHint() const {
    const QSizeF text = Text::size(m_label, font(), 1e6, {1, 0, Qt::AlignLeft});
    const qreal width = chevronSide(font()) + chevronGap + text.width();
    const qreal height = std::max(Text::lineHeight(font()), chevronSide(font()));
    return QSize(int(std::ceil(width)), int(std::ceil(height)));
}

QSize DisclosureHeader::minimumSizeHint() const {
    return QSize(int(std::ceil(chevronSide(font()))), sizeHint().height());
}

void DisclosureHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = m_color.on(this);
    const qreal side = chevronSide(font());
    const qreal lineHeight = Text::lineHeight(font());
    const QRectF row(rect());
    const bool rtl = layoutDirection() == Qt::RightToLeft;

    // The chevron is drawn pointing down and turned a quarter back while closed (towards the
    // trailing side), about its centre, level with the middle of the text line.
    const QPointF centre(rtl ? row.right() - side / 2 : row.left() + side / 2, row.top() + lineHeight / 2);
    painter.save();
    painter.translate(centre);
    painter.rotate((rtl ? 90.0 : -90.0) * (1.0 - m_turn));
    Icons::paint(painter, QStringLiteral("chevron.down"), QRectF(-side / 2, -side / 2, side, side), IconWeight::medium,
                 color);
    painter.restore();

    const qreal textStart = side + chevronGap;
    const QRectF textRect = rtl ? QRectF(row.left(), row.top(), row.width() - textStart, lineHeight)
                                : QRectF(row.left() + textStart, row.top(), row.width() - textStart, lineHeight);
    Text::draw(painter, textRect, m_label, font(), color,
               {1, 0, rtl ? Qt::Alignment(Qt::AlignRight) : Qt::Alignment(Qt::AlignLeft)});

    if (FocusRing::visible(this)) {
        const qreal textWidth =
            std::min(textRect.width(), Text::size(m_label, font(), 1e6, {1, 0, Qt::AlignLeft}).width());
        const qreal used = textStart + textWidth;
        const QRectF ring = rtl ? QRectF(width() - used, 0, used, height()) : QRectF(0, 0, used, height());
        FocusRing::paint(painter, ring, 4, color, 0);
    }
}

void DisclosureHeader::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

// --- Disclosure ---

Disclosure::Disclosure(const QString& label, const QFont& font, const ThemeColor& color, QWidget* parent)
    : QWidget(parent), m_header(new DisclosureHeader(label, font, color, this)) {
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(contentGap);
    m_layout->addWidget(m_header, 0, Qt::AlignLeading);
    connect(m_header, &QAbstractButton::clicked, this, [this] { setOpen(!m_open); });
}

QString Disclosure::label() const {
    return m_header->label();
}

void Disclosure::setLabel(const QString& label) {
    m_header->setLabel(label);
}

ThemeColor Disclosure::color() const {
    return m_header->color();
}

void Disclosure::setColor(const ThemeColor& color) {
    m_header->setColor(color);
}

QAbstractButton* Disclosure::header() const {
    return m_header;
}

void Disclosure::setContent(QWidget* content) {
    if (content == m_content) {
        return;
    }
    delete m_content;
    m_content = content;
    if (content) {
        content->setVisible(m_open);
        m_layout->addWidget(content);
    }
}

void Disclosure::setOpen(bool open) {
    if (open == m_open) {
        return;
    }
    m_open = open;
    m_header->setOpen(open);
    if (m_content) {
        m_content->setVisible(open);
    }
    Q_EMIT openChanged(open);
}

} // namespace fernholm
