#include "FernholmApp/theme/Icons.h"

#include "FernholmApp/theme/Painting.h"

#include <QPainter>

#include <cmath>

namespace fernholm::Icons {

namespace {

// --- The symbols, on a 24 x 24 grid ---

QPainterPath circle(qreal cx, qreal cy, qreal r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

QPainterPath segment(QPointF from, QPointF to) {
    QPainterPath path(from);
    path.lineTo(to);
    return path;
}

// A polygon with each corner rounded by a quadratic curve that starts `cut` units before it.
QPainterPath roundedPolygon(const QList<QPointF>& corners, qreal cut) {
    QPainterPath path;
    const auto n = corners.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF prev = corners[(i + n - 1) % n];
        const QPointF at = corners[i];
        const QPointF next = corners[(i + 1) % n];
        const auto towards = [&](QPointF target) {
            const QPointF d = target - at;
            const qreal length = std::hypot(d.x(), d.y());
            return length > 0 ? at + d * (std::min(cut, length / 2) / length) : at;
        };
        const QPointF in = towards(prev);
        const QPointF out = towards(next);
        if (i == 0) {
            path.moveTo(in);
        } else {
            path.lineTo(in);
        }
        path.quadTo(at, out);
    }
    path.closeSubpath();
    return path;
}

IconShape xmark() {
    IconShape s;
    s.stroke.addPath(segment({6.5, 6.5}, {17.5, 17.5}));
    s.stroke.addPath(segment({17.5, 6.5}, {6.5, 17.5}));
    return s;
}

IconShape checkmark() {
    IconShape s;
    s.stroke.moveTo(4.75, 12.75);
    s.stroke.lineTo(9.75, 17.75);
    s.stroke.lineTo(19.25, 6.25);
    return s;
}

IconShape lock() {
    IconShape s;
    s.stroke.addPath(roundedPolygon({{4.75, 10.75}, {19.25, 10.75}, {19.25, 21.25}, {4.75, 21.25}}, 2.5));
    s.stroke.moveTo(8, 10.75);
    s.stroke.lineTo(8, 7);
    s.stroke.arcTo(QRectF(8, 3, 8, 8), 180, -180);
    s.stroke.lineTo(16, 10.75);
    return s;
}

IconShape chevronDown() {
    IconShape s;
    s.stroke.moveTo(4.5, 8.75);
    s.stroke.lineTo(12, 16.25);
    s.stroke.lineTo(19.5, 8.75);
    return s;
}

IconShape arrowRight() {
    IconShape s;
    s.stroke.addPath(segment({3.75, 12}, {20, 12}));
    s.stroke.moveTo(13.25, 5.25);
    s.stroke.lineTo(20, 12);
    s.stroke.lineTo(13.25, 18.75);
    return s;
}

IconShape infoCircle() {
    IconShape s;
    s.stroke.addPath(circle(12, 12, 9.75));
    s.stroke.addPath(segment({12, 11}, {12, 17}));
    s.fill.addPath(circle(12, 7.5, 1.35));
    return s;
}

IconShape exclamationmarkCircle() {
    IconShape s;
    s.stroke.addPath(circle(12, 12, 9.75));
    s.stroke.addPath(segment({12, 6.75}, {12, 13.25}));
    s.fill.addPath(circle(12, 16.75, 1.35));
    return s;
}

IconShape exclamationmarkTriangle() {
    IconShape s;
    s.stroke.addPath(roundedPolygon({{12, 2.75}, {22.25, 20.5}, {1.75, 20.5}}, 2.5));
    s.stroke.addPath(segment({12, 9}, {12, 14}));
    s.fill.addPath(circle(12, 17.1, 1.3));
    return s;
}

IconShape doc() {
    IconShape s;
    s.stroke.addPath(roundedPolygon({{5, 2.75}, {13, 2.75}, {19, 8.75}, {19, 21.25}, {5, 21.25}}, 2));
    s.stroke.moveTo(13, 3);
    s.stroke.lineTo(13, 7);
    s.stroke.quadTo(13, 8.75, 14.75, 8.75);
    s.stroke.lineTo(18.75, 8.75);
    return s;
}

// Two sheets, the front one hiding the lower right of the one behind it.
IconShape docOnDoc() {
    IconShape s;
    s.stroke.addPath(roundedPolygon({{8.75, 6.75}, {19.25, 6.75}, {19.25, 21.25}, {8.75, 21.25}}, 2));
    s.stroke.moveTo(8.75, 17.25);
    s.stroke.lineTo(6.75, 17.25);
    s.stroke.quadTo(4.75, 17.25, 4.75, 15.25);
    s.stroke.lineTo(4.75, 4.75);
    s.stroke.quadTo(4.75, 2.75, 6.75, 2.75);
    s.stroke.lineTo(13.25, 2.75);
    s.stroke.quadTo(15.25, 2.75, 15.25, 4.75);
    s.stroke.lineTo(15.25, 6.75);
    return s;
}

// An arrow pointing back (left) whose shaft turns down and round to come back underneath.
IconShape arrowUturnBackward() {
    IconShape s;
    s.stroke.moveTo(8.25, 4.25);
    s.stroke.lineTo(3.75, 8.75);
    s.stroke.lineTo(8.25, 13.25);
    s.stroke.moveTo(3.75, 8.75);
    s.stroke.lineTo(14.5, 8.75);
    s.stroke.arcTo(QRectF(9, 8.75, 11, 11), 90, -180);
    s.stroke.lineTo(9.5, 19.75);
    return s;
}

IconShape eye() {
    IconShape s;
    s.stroke.moveTo(1.75, 12);
    s.stroke.cubicTo(4.5, 7.25, 8, 5.25, 12, 5.25);
    s.stroke.cubicTo(16, 5.25, 19.5, 7.25, 22.25, 12);
    s.stroke.cubicTo(19.5, 16.75, 16, 18.75, 12, 18.75);
    s.stroke.cubicTo(8, 18.75, 4.5, 16.75, 1.75, 12);
    s.stroke.closeSubpath();
    s.stroke.addPath(circle(12, 12, 3.25));
    return s;
}

IconShape eyeSlash() {
    IconShape s = eye();
    s.slash.addPath(segment({4, 3.5}, {20, 20.5}));
    return s;
}

IconShape house() {
    IconShape s;
    s.stroke.moveTo(2.75, 11.25);
    s.stroke.lineTo(12, 3.25);
    s.stroke.lineTo(21.25, 11.25);
    s.stroke.addPath(roundedPolygon({{5.25, 9.5}, {18.75, 9.5}, {18.75, 20.75}, {5.25, 20.75}}, 1.75));
    s.stroke.moveTo(10, 20.75);
    s.stroke.lineTo(10, 15.25);
    s.stroke.lineTo(14, 15.25);
    s.stroke.lineTo(14, 20.75);
    return s;
}

// A heart-rate trace: flat, a sharp spike up and down, flat again.
IconShape waveformPathEcg() {
    IconShape s;
    s.stroke.moveTo(1.75, 12.5);
    s.stroke.lineTo(6.5, 12.5);
    s.stroke.lineTo(8.75, 7.5);
    s.stroke.lineTo(11.5, 19.25);
    s.stroke.lineTo(14.5, 4.25);
    s.stroke.lineTo(16.75, 12.5);
    s.stroke.lineTo(22.25, 12.5);
    return s;
}

IconShape globe() {
    IconShape s;
    s.stroke.addPath(circle(12, 12, 9.75));
    QPainterPath meridian;
    meridian.addEllipse(QPointF(12, 12), 4.25, 9.75);
    s.stroke.addPath(meridian);
    s.stroke.addPath(segment({2.25, 12}, {21.75, 12}));
    s.stroke.addPath(segment({3.75, 7}, {20.25, 7}));
    s.stroke.addPath(segment({3.75, 17}, {20.25, 17}));
    return s;
}

QPainterPath shieldOutline() {
    QPainterPath path;
    path.moveTo(12, 2.5);
    path.cubicTo(14.75, 4.25, 17.5, 5, 20, 5.25);
    path.lineTo(20, 11.25);
    path.cubicTo(20, 16.25, 16.75, 19.75, 12, 21.5);
    path.cubicTo(7.25, 19.75, 4, 16.25, 4, 11.25);
    path.lineTo(4, 5.25);
    path.cubicTo(6.5, 5, 9.25, 4.25, 12, 2.5);
    path.closeSubpath();
    return path;
}

IconShape shield() {
    IconShape s;
    s.stroke.addPath(shieldOutline());
    return s;
}

// The shield with its left half filled.
IconShape shieldLefthalfFilled() {
    IconShape s;
    s.stroke.addPath(shieldOutline());
    QPainterPath left;
    left.addRect(QRectF(0, 0, 12, 24));
    s.fill.addPath(shieldOutline().intersected(left));
    return s;
}

IconShape shieldSlash() {
    IconShape s = shield();
    s.slash.addPath(segment({3.5, 3.5}, {20.5, 20.5}));
    return s;
}

IconShape textAlignleft() {
    IconShape s;
    s.stroke.addPath(segment({3.75, 5.5}, {20.25, 5.5}));
    s.stroke.addPath(segment({3.75, 10}, {14.25, 10}));
    s.stroke.addPath(segment({3.75, 14.5}, {20.25, 14.5}));
    s.stroke.addPath(segment({3.75, 19}, {12.25, 19}));
    return s;
}

// Three sliders, each a line with its knob at a different place.
IconShape sliderHorizontal3() {
    IconShape s;
    const qreal rows[] = {5.5, 12, 18.5};
    const qreal knobs[] = {15.5, 8.5, 13.5};
    for (int i = 0; i < 3; ++i) {
        const qreal y = rows[i];
        const qreal x = knobs[i];
        s.stroke.addPath(segment({2.75, y}, {x - 2.5, y}));
        s.stroke.addPath(segment({x + 2.5, y}, {21.25, y}));
        s.stroke.addPath(circle(x, y, 2.25));
    }
    return s;
}

// A circle struck through from top left to bottom right.
IconShape nosign() {
    IconShape s;
    s.stroke.addPath(circle(12, 12, 9.75));
    s.stroke.addPath(segment({5.1, 5.1}, {18.9, 18.9}));
    return s;
}

// A crescent opening to the top right.
IconShape moon() {
    IconShape s;
    s.stroke.addPath(circle(11.5, 12.5, 9).subtracted(circle(16.5, 7.5, 7)));
    return s;
}

// Two bowls meeting at the waist, capped above and below.
IconShape hourglass() {
    IconShape s;
    s.stroke.addPath(segment({5.25, 2.75}, {18.75, 2.75}));
    s.stroke.addPath(segment({5.25, 21.25}, {18.75, 21.25}));
    for (const qreal x : {7.25, 16.75}) {
        s.stroke.moveTo(x, 2.75);
        s.stroke.lineTo(x, 6.25);
        s.stroke.quadTo(x, 9.5, 12, 12);
        s.stroke.quadTo(x, 14.5, x, 17.75);
        s.stroke.lineTo(x, 21.25);
    }
    return s;
}

IconShape questionmarkCircle() {
    IconShape s;
    s.stroke.addPath(circle(12, 12, 9.75));
    s.stroke.moveTo(9.25, 9.5);
    s.stroke.cubicTo(9.25, 7.75, 10.5, 6.75, 12, 6.75);
    s.stroke.cubicTo(13.6, 6.75, 14.75, 7.85, 14.75, 9.25);
    s.stroke.cubicTo(14.75, 10.6, 13.9, 11.2, 13, 11.75);
    s.stroke.cubicTo(12.3, 12.2, 12, 12.7, 12, 13.75);
    s.fill.addPath(circle(12, 17, 1.3));
    return s;
}

struct Entry {
    const char* name;
    IconShape (*make)();
};

// Every symbol by name. Keep it sorted by name.
constexpr Entry symbols[] = {
    {"arrow.right", arrowRight},
    {"arrow.uturn.backward", arrowUturnBackward},
    {"checkmark", checkmark},
    {"chevron.down", chevronDown},
    {"doc", doc},
    {"doc.on.doc", docOnDoc},
    {"exclamationmark.circle", exclamationmarkCircle},
    {"exclamationmark.triangle", exclamationmarkTriangle},
    {"eye", eye},
    {"eye.slash", eyeSlash},
    {"globe", globe},
    {"hourglass", hourglass},
    {"house", house},
    {"info.circle", infoCircle},
    {"lock", lock},
    {"moon", moon},
    {"nosign", nosign},
    {"questionmark.circle", questionmarkCircle},
    {"shield", shield},
    {"shield.lefthalf.filled", shieldLefthalfFilled},
    {"shield.slash", shieldSlash},
    {"slider.horizontal.3", sliderHorizontal3},
    {"text.alignleft", textAlignleft},
    {"waveform.path.ecg", waveformPathEcg},
    {"xmark", xmark},
};

constexpr qreal grid = 24;

} // namespace

QStringList names() {
    QStringList all;
    for (const Entry& entry : symbols) {
        all << QLatin1String(entry.name);
    }
    return all;
}

bool has(const QString& name) {
    return shape(name).has_value();
}

std::optional<IconShape> shape(const QString& name) {
    for (const Entry& entry : symbols) {
        if (name == QLatin1String(entry.name)) {
            return entry.make();
        }
    }
    return std::nullopt;
}

qreal strokeWidth(IconWeight weight) {
    switch (weight) {
    case IconWeight::light:
        return 1.5;
    case IconWeight::regular:
        return 1.9;
    case IconWeight::medium:
        return 2.3;
    }
    return 1.9;
}

QImage image(const QString& name, qreal size, IconWeight weight, const QColor& color, qreal dpr) {
    const auto symbol = shape(name);
    if (!symbol || size <= 0 || dpr <= 0) {
        return {};
    }
    const int side = std::max(1, int(std::ceil(size * dpr)));
    QImage layer(side, side, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / grid, size / grid);
    // Drawn opaque, then tinted as a whole: overlapping strokes of a translucent colour do not
    // darken where they cross.
    QPen pen(Qt::black, strokeWidth(weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.strokePath(symbol->stroke, pen);
    p.fillPath(symbol->fill, Qt::black);
    if (!symbol->slash.isEmpty()) {
        QPen gap = pen;
        gap.setWidthF(pen.widthF() * 3);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.strokePath(symbol->slash, gap);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.strokePath(symbol->slash, pen);
    }
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(0, 0, side / dpr, side / dpr), color);
    return layer;
}

bool paint(QPainter& painter, const QString& name, const QRectF& box, IconWeight weight, const QColor& color) {
    if (!has(name) || box.isEmpty()) {
        return false;
    }
    const qreal side = std::min(box.width(), box.height());
    const QRectF square(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    const qreal scale = Paint::deviceScale(painter);
    const QImage symbol = image(name, side, weight, color, scale);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(square, symbol);
    painter.restore();
    return true;
}

} // namespace fernholm::Icons
