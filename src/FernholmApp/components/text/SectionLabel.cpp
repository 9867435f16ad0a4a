#include "FernholmApp/components/text/SectionLabel.h"

#include "FernholmApp/theme/Fonts.h"

namespace fernholm {

SectionLabel::SectionLabel(const QString& text, const ThemeColor& color, QWidget* parent)
    : TextLabel(text.toUpper(), Fonts::tracked(Fonts::sans(12, 600), 0.96), color, parent) {
    setHeading(true);
}

void SectionLabel::setText(const QString& text) {
    TextLabel::setText(text.toUpper());
}

} // namespace fernholm
