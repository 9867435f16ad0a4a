#pragma once

#include "FernholmApp/components/layout/ColumnLayout.h"
#include "FernholmApp/components/layout/Surface.h"

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QScrollArea;

namespace fernholm {

class TextLabel;

// The frame of the first-run setup pages: a rounded panel (radius Theme::panelRadius, outline
// Theme::line at 0.6) filled top to bottom with Theme::surface, fading from 70 % of its height
// into Theme::background, set 12 px in from the window on every side and 16 more at the top.
// Inside, a header row with the wordmark "Tarvine" (display face 26, tracking -1.04, Theme::ink)
// and a `trailing` control at the far side (padded 32 across and 28 above), then the scrolling
// body: its sections stacked 36 apart and centred, in a column at most 760 wide centred in the
// frame, padded 32 across, 24 above and 40 below.
//
//     auto* frame = new FirstRunFrame;
//     frame->setTrailing(skipLink);               // owned; replacing deletes the previous one
//     frame->addWidget(new MarkedTitle(fernholm::tr("Protect your"), fernholm::tr("prompts"), 40));
//     frame->addWidget(stepsCard);
class FirstRunFrame : public QWidget {
    Q_OBJECT
public:
    explicit FirstRunFrame(QWidget* parent = nullptr);

    QWidget* trailing() const { return m_trailing; }
    void setTrailing(QWidget* trailing);

    // Adds a section to the body (centred when narrower than the column, or as aligned).
    void addWidget(QWidget* section, Qt::Alignment alignment = {});
    ColumnLayout* body() const { return m_body; }

    Surface* surface() const { return m_surface; }
    QScrollArea* scrollArea() const { return m_scroll; }
    TextLabel* wordmark() const { return m_wordmark; }

    // The space between the window and the rounded frame.
    static QMargins outerMargins();

private:
    Surface* m_surface = nullptr;
    QHBoxLayout* m_header = nullptr;
    TextLabel* m_wordmark = nullptr;
    QScrollArea* m_scroll = nullptr;
    ColumnLayout* m_body = nullptr;
    QPointer<QWidget> m_trailing;
};

} // namespace fernholm
