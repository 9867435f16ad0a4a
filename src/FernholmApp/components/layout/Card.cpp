#include "FernholmApp/components/layout/Card.h"

#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

Card::Card(CardStyle style, qreal padding, QWidget* parent) : Surface(lookOf(style), parent), m_style(style) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    if (style == CardStyle::feature) {
        Appearance::force(this, ColorScheme::dark);
    }
    setPadding(padding);
}

void Card::setPadding(qreal padding) {
    m_padding = std::max(qreal(0), padding);
    const int inset = int(std::lround(m_padding));
    body()->setContentsMargins(inset, inset, inset, inset);
}

Surface::Look Card::lookOf(CardStyle style) {
    switch (style) {
    case CardStyle::surface:
        return Look{Theme::cardRadius, Theme::surface, Theme::cardEdge, true};
    case CardStyle::muted:
        return Look{Theme::cardRadius, Theme::muted, std::nullopt, false};
    case CardStyle::feature:
        return Look{Theme::cardRadius, Theme::feature, std::nullopt, false};
    }
    return Look{};
}

ColorScheme Card::ownScheme() const {
    // The feature card's content is forced dark; its own fill is drawn in the scheme around it.
    if (m_style == CardStyle::feature) {
        return Appearance::schemeOf(parentWidget());
    }
    return Surface::ownScheme();
}

} // namespace fernholm
