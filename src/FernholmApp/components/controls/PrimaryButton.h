#pragma once

#include <QAbstractButton>

#include <optional>

namespace fernholm {

// The application's push button: a capsule in one of nine looks, its title on one line (cut
// with "…" when the button is narrower than the title), optionally followed by an arrow.
//
//     auto* start = new PrimaryButton(fernholm::tr("Turn on protection"), PrimaryButton::Style::primary, this);
//     connect(start, &QAbstractButton::clicked, model, &AppModel::toggleProtection);
//     start->setEnabled(!model->supervision().busy());
//
// The height is fixed by the style and the width follows the title (sizeHint is exact; the
// horizontal policy lets a layout shrink it, never stretch it, unless the caller changes the
// policy, in which case the content stays centred). Clicks outside the capsule's rounded ends
// miss it. Disabled, it is drawn at 40 % and ignores clicks; pressed (mouse, Space), at 75 %.
// The title is shown verbatim (translate it first) and is the accessible name; the arrow is
// decoration and not exposed. The button holds no state of the application: clicked() is its
// action.
class PrimaryButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style { primary, large, secondary, destructive, small, smallOutline, smallSand, smallWhite, light };

    explicit PrimaryButton(const QString& title, Style style = Style::primary, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);

    Style style() const { return m_style; }
    void setStyle(Style style);

    // Whether a trailing arrow is shown; nothing lets the style decide (primary and large show one).
    std::optional<bool> arrow() const { return m_arrow; }
    void setArrow(std::optional<bool> arrow);
    bool showsArrow() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void changed();

    QString m_title;
    Style m_style;
    std::optional<bool> m_arrow;
};

} // namespace fernholm
