#include "FernholmApp/theme/Painting.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace fernholm::Paint {

namespace {

// One corner walked from the edge it is entered by to the edge it leaves by, in radii measured
// from the corner: (a, b) is a along the entering edge, b along the leaving one. Curves are
// three points (two controls, end), joins one point. The continuous corner is the widely used
// smooth-corner geometry; the circular one has the same steps so that the two blend.
struct CornerStep {
    int points;
    std::array<qreal, 6> ab;
};

constexpr qreal reach = 1.52866483;              // where the continuous curve leaves the straight edge
constexpr qreal circleRest = 1.0 - 0.5522847498; // cubic quarter circle's control distance from the edge's end

constexpr std::array<CornerStep, 5> continuousCorner{{
    {3, {1.08849323, 0, 0.86840689, 0, 0.66993427, 0.06549600}},
    {1, {0.63149399, 0.07491100}},
    {3, {0.37282392, 0.16905899, 0.16905899, 0.37282392, 0.07491100, 0.63149399}},
    {1, {0.06549600, 0.66993427}},
    {3, {0, 0.86840689, 0, 1.08849323, 0, reach}},
}};

constexpr std::array<CornerStep, 5> circularCorner{{
    {3, {1, 0, 1, 0, 1, 0}},
    {1, {1, 0}},
    {3, {circleRest, 0, 0, circleRest, 0, 1}},
    {1, {0, 1}},
    {3, {0, 1, 0, 1, 0, 1}},
}};

} // namespace

QPainterPath roundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    const QRectF r = rect.normalized();
    if (r.isEmpty()) {
        return path;
    }
    const qreal budget = std::min(r.width(), r.height()) / 2;
    const qreal rad = std::clamp(radius, qreal(0), budget);
    if (rad <= 0) {
        path.addRect(r);
        return path;
    }
    // How far the corners lean towards circular arcs: 0 while the full continuous corner fits.
    const qreal circular = reach * rad <= budget ? 0.0 : std::min(1.0, (reach * rad - budget) / ((reach - 1) * rad));
    const auto blend = [&](std::size_t step, std::size_t i) {
        return (continuousCorner[step].ab[i] * (1 - circular) + circularCorner[step].ab[i] * circular) * rad;
    };
    const qreal start = (reach * (1 - circular) + circular) * rad; // distance of the curves' ends from the corner

    // Each corner maps (a, b) to a point; corners in clockwise order from the top right.
    const std::array<std::function<QPointF(qreal, qreal)>, 4> corners{
        [&](qreal a, qreal b) { return QPointF(r.right() - a, r.top() + b); },
        [&](qreal a, qreal b) { return QPointF(r.right() - b, r.bottom() - a); },
        [&](qreal a, qreal b) { return QPointF(r.left() + a, r.bottom() - b); },
        [&](qreal a, qreal b) { return QPointF(r.left() + b, r.top() + a); },
    };
    path.moveTo(r.left() + start, r.top());
    for (const auto& corner : corners) {
        path.lineTo(corner(start, 0));
        for (std::size_t step = 0; step < continuousCorner.size(); ++step) {
            if (continuousCorner[step].points == 3) {
                path.cubicTo(corner(blend(step, 0), blend(step, 1)), corner(blend(step, 2), blend(step, 3)),
                             corner(blend(step, 4), blend(step, 5)));
            } else {
                path.lineTo(corner(blend(step, 0), blend(step, 1)));
            }
        }
    }
    path.closeSubpath();
    return path;
}

QPainterPath capsule(const QRectF& rect) {
    QPainterPath path;
    const QRectF r = rect.normalized();
    const qreal radius = std::min(r.width(), r.height()) / 2;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void fill(QPainter& painter, const QPainterPath& shape, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, color);
    painter.restore();
}

void strokeInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, qreal width) {
    if (width <= 0 || color.alpha() == 0) {
        return;
    }
    const qreal half = width / 2;
    const QRectF inner = rect.normalized().adjusted(half, half, -half, -half);
    if (inner.width() < 0 || inner.height() < 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedRect(inner, std::max(qreal(0), radius - half)));
    painter.restore();
}

namespace {

// Widths of three box blurs whose succession approximates a Gaussian of deviation sigma.
std::array<int, 3> boxWidths(qreal sigma) {
    const qreal ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0) {
        --lower;
    }
    const int upper = lower + 2;
    const qreal lowerCount = (12 * sigma * sigma - 3 * lower * lower - 12 * lower - 9) / (-4.0 * lower - 4);
    const int m = int(std::lround(lowerCount));
    return {0 < m ? lower : upper, 1 < m ? lower : upper, 2 < m ? lower : upper};
}

// One box blur along rows (step 1) or columns (step = width) of an alpha plane.
void boxBlur(std::vector<float>& plane, int width, int height, int boxWidth, bool alongRows) {
    const int radius = (boxWidth - 1) / 2;
    if (radius <= 0) {
        return;
    }
    const int lines = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int stride = alongRows ? 1 : width;
    std::vector<float> line(std::size_t(length), 0.0f);
    const float scale = 1.0f / float(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        const int base = alongRows ? l * width : l;
        for (int i = 0; i < length; ++i) {
            line[std::size_t(i)] = plane[std::size_t(base + i * stride)];
        }
        float sum = 0;
        for (int i = -radius; i <= radius; ++i) {
            if (i >= 0 && i < length) {
                sum += line[std::size_t(i)];
            }
        }
        for (int i = 0; i < length; ++i) {
            plane[std::size_t(base + i * stride)] = sum * scale;
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            if (leaving >= 0) {
                sum -= line[std::size_t(leaving)];
            }
            if (entering < length) {
                sum += line[std::size_t(entering)];
            }
        }
    }
}

} // namespace

qreal deviceScale(const QPainter& painter) {
    const QPaintDevice* target = painter.paintEngine() && painter.paintEngine()->paintDevice()
                                     ? painter.paintEngine()->paintDevice()
                                     : painter.device();
    const qreal ratio = target ? target->devicePixelRatioF() : 1.0;
    const QTransform& world = painter.worldTransform();
    return ratio * std::max(std::hypot(world.m11(), world.m12()), 0.01);
}

void softShadow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal radius,
                const QPointF& offset) {
    if (shape.isEmpty() || color.alpha() == 0) {
        return;
    }
    const qreal scale = deviceScale(painter);
    const qreal sigma = std::max(qreal(0), radius) * scale;
    if (sigma < 0.3) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(shape.translated(offset), color);
        painter.restore();
        return;
    }

    // The shape's coverage on a plane with room for the blur around it, in device pixels.
    const int pad = int(std::ceil(3 * sigma)) + 1;
    const QRectF bounds = shape.boundingRect();
    const int width = int(std::ceil(bounds.width() * scale)) + 2 * pad;
    const int height = int(std::ceil(bounds.height() * scale)) + 2 * pad;
    if (width <= 0 || height <= 0 || qint64(width) * height > 16'000'000) {
        return; // nothing to draw, or a shape too large to be a shadow worth a blur
    }
    QImage coverage(width, height, QImage::Format_Alpha8);
    coverage.fill(0);
    {
        QPainter p(&coverage);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(pad, pad);
        p.scale(scale, scale);
        p.translate(-bounds.topLeft());
        p.fillPath(shape, Qt::black);
    }
    std::vector<float> plane(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const uchar* row = coverage.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            plane[std::size_t(y) * std::size_t(width) + std::size_t(x)] = row[x] / 255.0f;
        }
    }
    for (int box : boxWidths(sigma)) {
        boxBlur(plane, width, height, box, true);
        boxBlur(plane, width, height, box, false);
    }
    QImage shadow(width, height, QImage::Format_ARGB32_Premultiplied);
    const float alpha = float(color.alphaF());
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float a = std::clamp(plane[std::size_t(y) * std::size_t(width) + std::size_t(x)] * alpha, 0.0f, 1.0f);
            row[x] = qPremultiply(qRgba(color.red(), color.green(), color.blue(), int(std::lround(a * 255))));
        }
    }
    const QRectF target(bounds.topLeft() + offset - QPointF(pad, pad) / scale, QSizeF(width, height) / scale);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, shadow);
    painter.restore();
}

void layer(QPainter& painter, const QRectF& bounds, qreal opacity, const std::function<void(QPainter&)>& draw) {
    if (opacity >= 1.0) {
        draw(painter);
        return;
    }
    if (opacity <= 0.0 || bounds.isEmpty()) {
        return;
    }
    const qreal scale = deviceScale(painter);
    const QSize pixels(int(std::ceil(bounds.width() * scale)), int(std::ceil(bounds.height() * scale)));
    if (qint64(pixels.width()) * pixels.height() > 16'000'000) {
        painter.save();
        painter.setOpacity(painter.opacity() * opacity); // too large for a layer: each part on its own
        draw(painter);
        painter.restore();
        return;
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHints(painter.renderHints());
        p.setFont(painter.font());
        p.translate(-bounds.topLeft());
        draw(p);
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(bounds.topLeft(), QSizeF(pixels) / scale), image);
    painter.restore();
}

} // namespace fernholm::Paint
