#pragma once

#include "FernholmApp/components/layout/Backdrop.h"
#include "FernholmApp/theme/Theme.h"

#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace fernholm {

// A container drawn as a rounded rectangle with continuous corners: a fill, optionally a 1-px
// outline inside its edge, and optionally its content clipped to the curve. Every card-like
// section of a page is one (Card is a Surface with a style and a padding); cardSurface() and
// sandSurface() make the two common looks.
//
// Content goes into body(), a vertical box layout with no margins and no spacing (set both as the
// content needs); the surface's size is that layout's, so sizeHint and heightForWidth are those
// of the content plus the margins:
//
//     auto* list = cardSurface(Theme::cardRadius, Theme::surface, this);
//     list->body()->addWidget(firstRow);
//     list->body()->addWidget(new RowDivider);
//     list->body()->addWidget(secondRow);
//
// Clipping: when the look clips and the content can reach the rounded corners (a margin under
// 1 px, or a content corner outside the curve), a cover child kept above the content paints,
// after the content, what lies behind the surface outside its curve (see Backdrop) and then the
// outline, both antialiased. With margins that keep the content inside the curve there is no
// cover and nothing extra is painted. The cover only paints the corner squares and the edge
// strips, so updates inside the surface do not repaint it. A child raised above the cover by
// hand escapes the clipping.
class Surface : public QWidget, public Backdrop {
    Q_OBJECT
public:
    struct Look {
        qreal radius = Theme::cardRadius;
        ThemeColor fill = Theme::surface;
        std::optional<ThemeColor> outline; // a 1-px stroke inside the edge, over the content
        bool clips = false;                // content is clipped to the rounded shape
        bool operator==(const Look&) const = default;
    };

    explicit Surface(const Look& look, QWidget* parent = nullptr);
    ~Surface() override;

    const Look& look() const { return m_look; }
    void setLook(const Look& look);

    // The layout holding the content.
    QVBoxLayout* body() const { return m_body; }

    // The rounded shape in the surface's coordinates.
    QPainterPath shape() const;
    // Whether the corner cover is in use at the current size and margins.
    bool coversCorners() const;

    std::optional<Layer> backdropLayer() const override;

protected:
    // The brush the shape is filled with; a plain colour unless a subclass paints a gradient.
    virtual QBrush fillBrush(ColorScheme scheme) const;
    // The scheme the surface's own fill and outline are drawn in (its content may be forced to
    // another one).
    virtual ColorScheme ownScheme() const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    class Cover;
    friend class Cover;

    bool contentReachesEdge() const;
    void updateCover();
    void paintOutline(QPainter& painter) const;

    Look m_look;
    QVBoxLayout* m_body = nullptr;
    Cover* m_cover = nullptr;
};

// The card background of most sections: `fill` in a rounded rectangle of `radius`, outlined in
// Theme::cardEdge, content clipped to the shape.
Surface* cardSurface(qreal radius, const ThemeColor& fill, QWidget* parent = nullptr);
// The sand background: Theme::muted in a rounded rectangle of `radius`; no outline, no clipping.
Surface* sandSurface(qreal radius, QWidget* parent = nullptr);

} // namespace fernholm
