#include "app/support/ViewTesting.h"

#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/theme/Theme.h"

#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace fernholm::test {

void useBundledResources() {
    BrandFonts::setResourceRoots(QStringList{QStringLiteral(FERNHOLM_RESOURCES)});
}

QImage render(QWidget* widget, ColorScheme scheme, qreal dpr, bool backdrop) {
    QCoreApplication::sendPostedEvents();
    if (QLayout* layout = widget->layout()) {
        layout->activate();
    }
    const QSize size = widget->size();
    QImage image(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(backdrop ? Theme::background.resolve(scheme) : QColor(Qt::transparent));

    const auto previous = Appearance::forced(widget);
    Appearance::force(widget, scheme);
    {
        QPainter painter(&image);
        widget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    Appearance::force(widget, previous);
    return image;
}

QColor sample(const QImage& image, QPointF point) {
    const qreal dpr = image.devicePixelRatio();
    const QPoint pixel(int(std::floor(point.x() * dpr)), int(std::floor(point.y() * dpr)));
    if (!image.rect().contains(pixel)) {
        return QColor();
    }
    return image.pixelColor(pixel);
}

QColor over(const QColor& top, const QColor& bottom) {
    const qreal a = top.alphaF();
    const qreal b = bottom.alphaF() * (1 - a);
    const qreal alpha = a + b;
    if (alpha <= 0) {
        return QColor(0, 0, 0, 0);
    }
    const auto channel = [&](qreal t, qreal u) {
        return (t * a + u * b) / alpha;
    };
    return QColor::fromRgbF(float(channel(top.redF(), bottom.redF())), float(channel(top.greenF(), bottom.greenF())),
                            float(channel(top.blueF(), bottom.blueF())), float(alpha));
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    if (!a.isValid() || !b.isValid()) {
        return false;
    }
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    return std::abs(x.red() - y.red()) <= tolerance && std::abs(x.green() - y.green()) <= tolerance &&
           std::abs(x.blue() - y.blue()) <= tolerance && std::abs(x.alpha() - y.alpha()) <= tolerance;
}

QString describe(const QColor& color) {
    if (!color.isValid()) {
        return QStringLiteral("(no colour)");
    }
    return color.name(QColor::HexArgb);
}

QImage lightAndDark(QWidget* widget, qreal dpr) {
    const QImage light = render(widget, ColorScheme::light, dpr);
    const QImage dark = render(widget, ColorScheme::dark, dpr);
    const int gap = int(std::ceil(16 * dpr));
    QImage sheet(light.width() + gap + dark.width(), std::max(light.height(), dark.height()),
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x80, 0x80, 0x80));
    sheet.setDevicePixelRatio(1.0);
    QPainter painter(&sheet);
    QImage l = light, d = dark;
    l.setDevicePixelRatio(1.0);
    d.setDevicePixelRatio(1.0);
    painter.drawImage(0, 0, l);
    painter.drawImage(light.width() + gap, 0, d);
    painter.end();
    sheet.setDevicePixelRatio(dpr);
    return sheet;
}

QString saveScreenshot(const QImage& image, const QString& name) {
    const QDir folder(QStringLiteral(FERNHOLM_SCREENSHOTS));
    if (!folder.mkpath(QStringLiteral("."))) {
        return {};
    }
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    return image.save(path, "PNG") ? path : QString();
}

} // namespace fernholm::test
