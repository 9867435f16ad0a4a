#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace fernholm {

class SegmentButton;

// A capsule picker among a few labelled values: one segment per option in a row on a `track`
// capsule; the segment whose value equals the selection is drawn selected (bold label in the
// surface colour on a raised `ink` capsule, plain on any track in light and dark), the others in
// `dim`.
//
//     auto* filter = new SegmentedControl({{QVariant::fromValue(Filter::all), fernholm::tr("All")},
//                                          {QVariant::fromValue(Filter::blocked), fernholm::tr("Blocked")}},
//                                         32, 13, Theme::muted, this);
//     filter->setSelection(QVariant::fromValue(m_filter));
//     connect(filter, &SegmentedControl::activated, this, [this](const QVariant& v) { showFilter(v.value<Filter>());
//     });
//
// Values are compared with QVariant equality (an enum or a string works; a value that is not
// among the options selects nothing). A click, or Space on a focused segment, selects the
// segment and emits activated() with its value, every time, also on the segment already
// selected; setSelection() shows a value and emits nothing. Labels are shown verbatim
// (translate them first) and must be unique.
//
// The control has a fixed size, its ideal one: each segment is its label's width plus 14 px on
// each side (18 when `height` is above 32), `height` tall, 4 apart, inside 4 px of track.
// Accessible as a group of buttons, the selected one in the selected state.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    struct Option {
        QVariant value;
        QString label;
    };

    SegmentedControl(const QList<Option>& options, qreal height, qreal fontSize, const ThemeColor& track,
                     QWidget* parent = nullptr);

    QList<Option> options() const { return m_options; }
    void setOptions(const QList<Option>& options);

    QVariant selection() const { return m_selection; }
    void setSelection(const QVariant& value);
    // The selected option's position, -1 when the selection is none of them.
    int selectedIndex() const;

    ThemeColor track() const { return m_track; }
    void setTrack(const ThemeColor& track);

    qreal segmentHeight() const { return m_height; }
    qreal fontSize() const { return m_fontSize; }
    // Left and right of each label: 18 when the height is above 32, else 14.
    qreal segmentPadding() const;
    // Where segment `index` sits, in the control's coordinates.
    QRectF segmentRect(int index) const;
    // The segment widgets, in the order of the options.
    QList<QWidget*> segments() const;
    // A label's font: the body font at the control's size, 600 when selected, else 500.
    QFont segmentFont(bool selected) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void activated(const QVariant& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class SegmentButton;
    qreal segmentWidth(int index) const;
    void choose(int index);
    void rebuild();
    void relayout();

    QList<Option> m_options;
    QVariant m_selection;
    qreal m_height;
    qreal m_fontSize;
    ThemeColor m_track;
    QList<SegmentButton*> m_segments;
};

} // namespace fernholm
