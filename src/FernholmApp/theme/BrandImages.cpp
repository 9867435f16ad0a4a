#include "FernholmApp/theme/BrandImages.h"

#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmKit/text/L10n.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace fernholm {

BrandImage::BrandImage(QSizeF size, bool isTemplate, QString label, Draw draw, QString source)
    : m_size(size), m_template(isTemplate), m_label(std::move(label)), m_draw(std::move(draw)),
      m_source(std::move(source)) {}

QString BrandImage::accessibleName() const {
    return m_label.isEmpty() ? QString() : L10n::translated(m_label);
}

void BrandImage::paint(QPainter& painter, const QRectF& target, const QColor& tint) const {
    if (target.isEmpty() || !m_draw) {
        return;
    }
    if (!m_template) {
        painter.save();
        m_draw(painter, target);
        painter.restore();
        return;
    }
    // The mask at the resolution it lands on the device, then the tint through it.
    painter.drawImage(target, toImage(target.size(), Paint::deviceScale(painter), tint));
}

QImage BrandImage::toImage(const QSizeF& size, qreal dpr, const QColor& tint) const {
    const QSize pixels(std::max(1, int(std::ceil(size.width() * dpr))),
                       std::max(1, int(std::ceil(size.height() * dpr))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    if (!m_draw) {
        return image;
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    m_draw(p, QRectF(QPointF(0, 0), size));
    if (m_template) {
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(QRectF(QPointF(0, 0), size), tint);
    }
    return image;
}

namespace {

std::optional<BrandImage> fromFile(const QString& file, std::optional<QSizeF> size, bool isTemplate,
                                   const QString& label) {
    if (file.endsWith(QLatin1String(".svg"))) {
        auto renderer = std::make_shared<QSvgRenderer>(file);
        if (!renderer->isValid()) {
            return std::nullopt;
        }
        const QSizeF own = renderer->defaultSize();
        return BrandImage(
            size.value_or(own), isTemplate, label,
            [renderer](QPainter& p, const QRectF& target) { renderer->render(&p, target); }, file);
    }
    QImage image(file);
    if (image.isNull()) {
        return std::nullopt;
    }
    const QSizeF own = QSizeF(image.size()) / image.devicePixelRatio();
    return BrandImage(
        size.value_or(own), isTemplate, label,
        [image](QPainter& p, const QRectF& target) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, image);
        },
        file);
}

struct Loaded {
    std::optional<std::optional<BrandImage>> marker, mark, markOff, chatgpt, claude, gemini;
};

Loaded& loaded() {
    static Loaded shared;
    return shared;
}

const std::optional<BrandImage>& once(std::optional<std::optional<BrandImage>>& slot,
                                      const std::function<std::optional<BrandImage>()>& make) {
    if (!slot) {
        slot = make();
    }
    return *slot;
}

} // namespace

std::optional<BrandImage> BrandImages::load(const QString& name, std::optional<QSizeF> size, bool isTemplate,
                                            const QString& label) {
    for (const QString& folder : BrandFonts::resourceDirectories(QStringLiteral("Brand"))) {
        const QDir dir(folder);
        QString file;
        for (const char* extension : {".svg", ".png"}) {
            const QString candidate = dir.filePath(name + QLatin1String(extension));
            if (QFileInfo::exists(candidate)) {
                file = candidate;
                break;
            }
        }
        if (file.isEmpty()) {
            continue;
        }
        if (auto image = fromFile(file, size, isTemplate, label)) {
            return image;
        }
    }
    return std::nullopt;
}

BrandImage BrandImages::struckThrough(const BrandImage& image) {
    return BrandImage(image.size(), true, trNoop("Tarvine, protection off"), [image](QPainter& p, const QRectF& r) {
        p.save();
        p.setOpacity(p.opacity() * 0.4);
        image.paint(p, r, Qt::black);
        p.restore();
        QPen pen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawLine(QPointF(r.left() + 2, r.top() + 2), QPointF(r.right() - 2, r.bottom() - 2));
    });
}

const std::optional<BrandImage>& BrandImages::marker() {
    return once(loaded().marker, [] { return load(QStringLiteral("marker"), std::nullopt, true, QString()); });
}

const std::optional<BrandImage>& BrandImages::mark() {
    return once(loaded().mark, [] { return load(QStringLiteral("mark"), QSizeF(18, 18), true, trNoop("Tarvine")); });
}

const std::optional<BrandImage>& BrandImages::markOff() {
    return once(loaded().markOff, []() -> std::optional<BrandImage> {
        if (const auto& on = mark()) {
            return struckThrough(*on);
        }
        return std::nullopt;
    });
}

const std::optional<BrandImage>& BrandImages::chatgpt() {
    return once(loaded().chatgpt,
                [] { return load(QStringLiteral("chatgpt"), std::nullopt, true, trNoop("ChatGPT")); });
}

const std::optional<BrandImage>& BrandImages::claude() {
    return once(loaded().claude, [] { return load(QStringLiteral("claude"), std::nullopt, false, trNoop("Claude")); });
}

const std::optional<BrandImage>& BrandImages::gemini() {
    return once(loaded().gemini, [] { return load(QStringLiteral("gemini"), std::nullopt, false, trNoop("Gemini")); });
}

void BrandImages::reset() {
    loaded() = Loaded{};
}

} // namespace fernholm
