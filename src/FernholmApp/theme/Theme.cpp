#include "FernholmApp/theme/Theme.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"

namespace fernholm {

QColor ThemeColor::resolve(ColorScheme scheme) const {
    const quint32 value = rgb(scheme);
    QColor color(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
    color.setAlphaF(float(std::clamp(alpha(scheme), 0.0, 1.0)));
    return color;
}

namespace Theme {

QFont titleFont() {
    return Fonts::tracked(Fonts::display(40), -1.6);
}

QFont sectionTitleFont() {
    return Fonts::tracked(Fonts::display(22), -0.44);
}

TextLabel* title(const QString& text, QWidget* parent) {
    return new TextLabel(text, titleFont(), ink, parent);
}

TextLabel* sectionTitle(const QString& text, QWidget* parent) {
    return new TextLabel(text, sectionTitleFont(), ink, parent);
}

} // namespace Theme

} // namespace fernholm
