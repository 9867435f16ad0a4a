#include "FernholmApp/theme/Fonts.h"

#include "FernholmApp/theme/BrandFonts.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace fernholm::Fonts {

int pixelSize(qreal size) {
    return std::max(1, int(std::lround(size)));
}

QFont sans(qreal size, qreal weight) {
    const qreal opticalSize = std::min(std::max(size, qreal(9)), qreal(40));
    if (auto font = BrandFonts::font(QStringLiteral("DMSans-9ptRegular"), size, weight, opticalSize)) {
        return *font;
    }
    return system(size, weight);
}

QFont display(qreal size) {
    if (auto font = BrandFonts::font(QStringLiteral("Spectral-Medium"), size)) {
        return *font;
    }
    return system(size, 500);
}

QFont mono(qreal size, qreal weight) {
    if (auto font = BrandFonts::font(QStringLiteral("RobotoMono-Regular"), size, weight)) {
        return *font;
    }
    return systemMono(size, weight);
}

QFont system(qreal size, qreal weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixelSize(size));
    font.setWeight(weight >= 600 ? QFont::DemiBold : weight >= 500 ? QFont::Medium : QFont::Normal);
    return font;
}

QFont systemMono(qreal size, qreal weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(pixelSize(size));
    font.setWeight(weight >= 500 ? QFont::Medium : QFont::Normal);
    return font;
}

QFont tracked(QFont font, qreal tracking) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

} // namespace fernholm::Fonts
