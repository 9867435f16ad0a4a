#include "FernholmApp/Components/TokenText.h"

#include "FernholmApp/Fonts.h"
#include "FernholmKit/L10n.h"

namespace fernholm {

TokenText::TokenText(const QString& token, qreal fontSize, QWidget* parent)
    : TextLabel(token, Fonts::mono(fontSize, 400), Theme::token, parent) {}

TokenArrow::TokenArrow(qreal fontSize, QWidget* parent)
    : TextLabel(fernholm::tr("→"), Fonts::sans(fontSize, 500), Theme::token, parent) {
    setMaxLines(1);
}

} // namespace fernholm
