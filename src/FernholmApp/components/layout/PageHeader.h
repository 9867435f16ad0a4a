#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

namespace fernholm {

class TextLabel;

// The head of a page: the title in the page-title style (Theme::titleFont, one line, a heading)
// over an optional subtitle (sans 14/400 in Theme::dim, wrapping onto as many lines as it needs,
// never squeezed), and an optional trailing view (a button, a control) at the far side, the two
// bottom-aligned, 16 apart.
//
//     auto* header = new PageHeader(fernholm::tr("Activity"), fernholm::tr("What Tarvine did today"));
//     header->setTrailing(filter);   // owned by the header; replacing deletes the previous one
//
// When the row is too narrow for the whole title (and a few words of the subtitle a line) beside
// the trailing view, the trailing view wraps under the texts, at the leading edge, 12 below: the
// title is never cut for it. Only a header too narrow for the title on its own shrinks the title,
// to 70 % of its size at most, before it is cut with "…". Texts are shown verbatim (translate
// first); the setters update in place.
class PageHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 16;       // between the texts and the trailing view
    static constexpr int textSpacing = 6;    // between title and subtitle
    static constexpr int wrappedSpacing = 12; // above a trailing view wrapped under the texts
    // The width a subtitle wants beside the trailing view before the row wraps.
    static constexpr int subtitleComfort = 320;

    explicit PageHeader(const QString& title, const std::optional<QString>& subtitle = std::nullopt,
                        QWidget* trailing = nullptr, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSubtitle(const std::optional<QString>& subtitle);
    QWidget* trailing() const { return m_trailing; }
    void setTrailing(QWidget* trailing);

    TextLabel* titleLabel() const { return m_title; }
    // Hidden while there is no subtitle.
    TextLabel* subtitleLabel() const { return m_subtitle; }

    // Whether at `width` the trailing view sits under the texts rather than beside them.
    bool wrapsAt(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Places the children for `width` when `apply`; returns the height.
    int arrange(int width, bool apply) const;
    bool hasTrailing() const;
    QSize trailingSize() const;
    void relayout();

    TextLabel* m_title = nullptr;
    TextLabel* m_subtitle = nullptr;
    QPointer<QWidget> m_trailing;
};

} // namespace fernholm
