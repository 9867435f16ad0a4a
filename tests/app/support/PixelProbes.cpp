#include "app/support/PixelProbes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace fernholm::test {

namespace {

QRect pixelsOf(const QImage& image, const QRectF& area) {
    const qreal dpr = image.devicePixelRatio();
    const QRect pixels(QPoint(int(std::floor(area.left() * dpr)), int(std::floor(area.top() * dpr))),
                       QPoint(int(std::ceil(area.right() * dpr)) - 1, int(std::ceil(area.bottom() * dpr)) - 1));
    return pixels.intersected(image.rect());
}

int distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) +
           std::abs(a.alpha() - b.alpha());
}

} // namespace

QColor mostDistinct(const QImage& image, const QRectF& area, const QColor& against) {
    const QRect pixels = pixelsOf(image, area);
    QColor best;
    int bestDistance = -1;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = distance(c, against);
            if (d > bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
    }
    return best;
}

bool hasInk(const QImage& image, const QRectF& area, const QColor& background, int tolerance) {
    const QRect pixels = pixelsOf(image, area);
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - background.red()) > tolerance ||
                std::abs(c.green() - background.green()) > tolerance ||
                std::abs(c.blue() - background.blue()) > tolerance) {
                return true;
            }
        }
    }
    return false;
}

namespace {

double relativeLuminance(const QColor& color) {
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace fernholm::test
