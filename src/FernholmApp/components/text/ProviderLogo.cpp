#include "FernholmApp/components/text/ProviderLogo.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/Graphemes.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

// Logos are decoration: the provider's name is always written beside them.
class HiddenAccessible final : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

QAccessibleInterface* hiddenFactory(const QString& className, QObject* object) {
    if (object && object->isWidgetType() &&
        (className == QLatin1String("fernholm::ProviderLogo") ||
         className == QLatin1String("fernholm::ProviderTile"))) {
        return new HiddenAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

void installHiddenFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(hiddenFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

int whole(qreal size) {
    return std::max(0, int(std::ceil(size - 1e-6)));
}

} // namespace

std::optional<KnownProvider> knownProvider(const QString& name) {
    const QString label = destinationLabel(name).toLower();
    if (label == QLatin1String("chatgpt")) {
        return KnownProvider::chatgpt;
    }
    if (label == QLatin1String("claude")) {
        return KnownProvider::claude;
    }
    if (label == QLatin1String("gemini")) {
        return KnownProvider::gemini;
    }
    const QString id = name.toLower();
    if (id == QLatin1String("chatgpt") || id == QLatin1String("openai")) {
        return KnownProvider::chatgpt;
    }
    if (id == QLatin1String("claude") || id == QLatin1String("anthropic")) {
        return KnownProvider::claude;
    }
    if (id == QLatin1String("gemini") || id == QLatin1String("google")) {
        return KnownProvider::gemini;
    }
    return std::nullopt;
}

std::optional<BrandImage> providerMark(const QString& name) {
    const auto provider = knownProvider(name);
    if (!provider) {
        return std::nullopt;
    }
    switch (*provider) {
    case KnownProvider::chatgpt:
        return BrandImages::chatgpt();
    case KnownProvider::claude:
        return BrandImages::claude();
    case KnownProvider::gemini:
        return BrandImages::gemini();
    }
    return std::nullopt;
}

QString providerInitial(const QString& name) {
    return graphemes::first(destinationLabel(name), 1);
}

ProviderLogo::ProviderLogo(const QString& name, qreal logoSize, QWidget* parent)
    : QWidget(parent), m_name(name), m_size(std::max(qreal(0), logoSize)) {
    installHiddenFactory();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProviderLogo::setName(const QString& name) {
    if (name == m_name) {
        return;
    }
    m_name = name;
    update();
}

void ProviderLogo::setLogoSize(qreal size) {
    m_size = std::max(qreal(0), size);
    updateGeometry();
    update();
}

QSize ProviderLogo::sizeHint() const {
    return QSize(whole(m_size), whole(m_size));
}

void ProviderLogo::paint(QPainter& painter, const QRectF& box, const QString& name, const QWidget* widget) {
    if (box.isEmpty()) {
        return;
    }
    const QColor ink = Theme::ink.on(widget);
    if (const auto mark = providerMark(name)) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        mark->paint(painter, box, ink);
        painter.restore();
        return;
    }
    const QString letter = providerInitial(name);
    if (letter.isEmpty()) {
        return;
    }
    const QFont font = Fonts::display(0.9 * box.height());
    const qreal line = Text::lineHeight(font);
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The letter is centred on its line box; a box smaller than the line lets it overflow evenly.
    const qreal wide = std::max(box.width(), line * 2);
    Text::draw(painter, QRectF(box.center().x() - wide / 2, box.center().y() - line / 2, wide, line), letter, font, ink,
               {1, 0, Qt::AlignHCenter});
    painter.restore();
}

void ProviderLogo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF box(QPointF((width() - m_size) / 2, (height() - m_size) / 2), QSizeF(m_size, m_size));
    paint(painter, box, m_name, this);
}

ProviderTile::ProviderTile(const QString& name, qreal tileSize, const ThemeColor& fill, QWidget* parent)
    : QWidget(parent), m_size(std::max(qreal(0), tileSize)), m_fill(fill),
      m_logo(new ProviderLogo(name, logoScale(name) * m_size, this)) {
    installHiddenFactory();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    placeLogo();
}

QString ProviderTile::name() const {
    return m_logo->name();
}

void ProviderTile::setName(const QString& name) {
    m_logo->setName(name);
    m_logo->setLogoSize(logoScale(name) * m_size);
    placeLogo();
}

void ProviderTile::setFill(const ThemeColor& fill) {
    m_fill = fill;
    update();
}

qreal ProviderTile::logoScale(const QString& name) {
    return providerMark(name) ? 0.55 : 0.5;
}

QSize ProviderTile::sizeHint() const {
    return QSize(whole(m_size), whole(m_size));
}

void ProviderTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF tile(QPointF((width() - m_size) / 2, (height() - m_size) / 2), QSizeF(m_size, m_size));
    Paint::fill(painter, Paint::roundedRect(tile, 0.3 * m_size), m_fill.on(this));
}

void ProviderTile::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLogo();
}

void ProviderTile::placeLogo() {
    const QSize hint = m_logo->sizeHint();
    m_logo->setGeometry(QRect(QPoint((width() - hint.width()) / 2, (height() - hint.height()) / 2), hint));
}

} // namespace fernholm
