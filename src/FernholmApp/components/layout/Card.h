#pragma once

#include "FernholmApp/components/layout/Surface.h"

namespace fernholm {

// The look of a Card.
enum class CardStyle {
    surface, // Theme::surface, outlined in Theme::cardEdge, content clipped to the shape
    muted,   // the sand fill Theme::muted; no outline, no clipping
    feature, // Theme::feature (resolved in the window's scheme); the content is drawn dark
};

// A section of a page: a full-width Surface of radius Theme::cardRadius in one of three styles,
// its content inset by `padding` on all four edges.
//
//     auto* card = new Card(CardStyle::surface);          // padding Theme::cardPadding
//     card->body()->setSpacing(12);
//     card->body()->addWidget(Theme::sectionTitle(fernholm::tr("Recent activity")));
//     card->body()->addWidget(list);
//
// The content takes the card's width (a child added with a horizontal alignment keeps its own
// width, at that side). A feature card forces the dark scheme on itself and everything inside
// (Appearance::force), so Theme::ink inside it is the light ink of the dark scheme, while its own
// fill follows the window. A surface card with padding 0 clips its content to its corners (see
// Surface).
class Card : public Surface {
    Q_OBJECT
public:
    explicit Card(CardStyle style = CardStyle::surface, qreal padding = Theme::cardPadding, QWidget* parent = nullptr);

    CardStyle style() const { return m_style; }
    qreal padding() const { return m_padding; }
    void setPadding(qreal padding);

    // The look a card of `style` is drawn with.
    static Look lookOf(CardStyle style);

protected:
    ColorScheme ownScheme() const override;

private:
    CardStyle m_style;
    qreal m_padding = 0;
};

} // namespace fernholm
