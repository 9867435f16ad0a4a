#include "FernholmApp/theme/Fonts.h"

#include "FernholmApp/theme/BrandFonts.h"

#include <QFontDatabase>
#include <QFontInfo>

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
    // The desktop's fixed-pitch font is often a generic name ("monospace"). Without the hint,
    // Fontconfig is asked for that name alone and may answer with any face; with it, a missing
    // face falls back to a monospace one.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        // Still proportional: the family names a face that exists but is not monospace. The first
        // monospace family the font database knows will do.
        const QStringList families = QFontDatabase::families();
        const auto fixed = std::find_if(families.cbegin(), families.cend(), [](const QString& family) {
            return QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family);
        });
        if (fixed != families.cend()) {
            font.setFamily(*fixed);
        }
    }
    font.setPixelSize(pixelSize(size));
    font.setWeight(weight >= 500 ? QFont::Medium : QFont::Normal);
    return font;
}

QFont tracked(QFont font, qreal tracking) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

} // namespace fernholm::Fonts
