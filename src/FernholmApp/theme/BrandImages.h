#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

class QPainter;
class QRectF;

namespace fernholm {

// One shipped image: its size in pixels (one per point), whether it is a template and its
// accessibility label. A template is painted as a mask in a tint colour (the foreground of
// where it sits, e.g. Theme::ink.on(this)); any other image in its own colours.
class BrandImage {
public:
    // Paints the image's own colours into a target rectangle.
    using Draw = std::function<void(QPainter&, const QRectF&)>;

    // `source`: the file it was read from, if any.
    BrandImage(QSizeF size, bool isTemplate, QString label, Draw draw, QString source = {});

    QSizeF size() const { return m_size; }
    const QString& source() const { return m_source; }
    bool isTemplate() const { return m_template; }
    // The accessibility label in the current language (empty for decoration).
    QString accessibleName() const;

    // Stretches the image over `target`; a template takes `tint` (ignored otherwise).
    void paint(QPainter& painter, const QRectF& target, const QColor& tint) const;
    // The image at `size` pixels and device pixel ratio `dpr`, on transparency.
    QImage toImage(const QSizeF& size, qreal dpr, const QColor& tint) const;

private:
    QSizeF m_size;
    bool m_template;
    QString m_label;
    Draw m_draw;
    QString m_source;
};

// The application's own images, from the first resources' "Brand" folder that holds a readable
// "<name>.svg" (else "<name>.png"); each is loaded once, on first use. A missing or unreadable
// file leaves it empty for the rest of the run (until BrandFonts::setResourceRoots).
//
//   marker   the painted stroke behind the marked word of a display title; template
//   mark     the product mark, 18 x 18; template; the tray icon while protected
//   markOff  the mark at 40 % with a diagonal stroke from top left to bottom right; template
//   chatgpt, claude, gemini   provider marks: none ship (we draw no provider's logo), so these
//            stay empty and views show the provider's initial instead
//
// GUI thread only.
class BrandImages {
public:
    static const std::optional<BrandImage>& marker();
    static const std::optional<BrandImage>& mark();
    static const std::optional<BrandImage>& markOff();
    static const std::optional<BrandImage>& chatgpt();
    static const std::optional<BrandImage>& claude();
    static const std::optional<BrandImage>& gemini();

    // "<name>.svg", else "<name>.png", from the first Brand folder that has one; an unreadable
    // file moves the search on to the next folder (not to the PNG beside it). `size` replaces
    // the file's own; `label` is an English text marked with trNoop.
    static std::optional<BrandImage> load(const QString& name, std::optional<QSizeF> size, bool isTemplate,
                                          const QString& label);
    // `image` at 40 % with a 1.6-px round-capped line from (2, 2) to (w - 2, h - 2) of the target.
    static BrandImage struckThrough(const BrandImage& image);

    // Forgets every loaded image (BrandFonts::setResourceRoots calls it).
    static void reset();
};

} // namespace fernholm
