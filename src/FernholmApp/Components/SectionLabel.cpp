#include "FernholmApp/Components/SectionLabel.h"

#include "FernholmApp/Fonts.h"

namespace fernholm {

SectionLabel::SectionLabel(const QString& text, const ThemeColor& color, QWidget* parent)
    : TextLabel(text.toUpper(), Fonts::tracked(Fonts::sans(12, 600), 0.96), color, parent) {
    setHeading(true);
}

void SectionLabel::setText(const QString& text) {
    TextLabel::setText(text.toUpper());
}

} // namespace fernholm
