#pragma once

#include "FernholmApp/components/layout/Card.h"

#include <QAbstractButton>
#include <QPointer>

#include <functional>

class QShortcut;

namespace fernholm {

class PrimaryButton;
class TextLabel;
class Tour;
class TourShadow;

// One dot per tour step, the current one in Theme::token; spoken as "Tour step {n} of {total}".
class TourDots : public QWidget {
    Q_OBJECT
public:
    explicit TourDots(QWidget* parent = nullptr);

    int index() const { return m_index; }
    void setIndex(int index);
    QString spokenText() const;
    // Where dot `i` is drawn.
    QRectF dotRect(int i) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_index = 0;
};

// The guided tour's card, 340 wide, for the owner to lay over the bottom-trailing corner of the
// main window while the tour is active (and to hide, or delete, once it is not). It reads the
// tour and calls its operations:
//   "Skip tour" (also Escape while the card is shown): skip(), nothing else;
//   "Back" (not on the first step): back(), then onStep;
//   "Next" / "Done" on the last step: next(), then onStep;
//   "Try it on a sample file" (studio step only): openSample, the tour stays where it is.
// The card follows the tour's index in place.
//
//     auto* card = new TourOverlay(tour, [this] { showPage(tour.step().tab()); },
//                                  [studio] { studio->openSample(); }, window);
class TourOverlay : public Card {
    Q_OBJECT
public:
    static constexpr int cardWidth = 340;

    // `tour` must outlive the card.
    TourOverlay(Tour& tour, std::function<void()> onStep, std::function<void()> openSample,
                QWidget* parent = nullptr);
    ~TourOverlay() override;

    TourDots* dots() const { return m_dots; }
    TextLabel* titleLabel() const { return m_title; }
    TextLabel* bodyLabel() const { return m_body; }
    PrimaryButton* sampleButton() const { return m_sample; }
    QAbstractButton* skipButton() const { return m_skip; }
    PrimaryButton* backButton() const { return m_back; }
    PrimaryButton* forwardButton() const { return m_forward; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void followParent();

    Tour& m_tour;
    std::function<void()> m_onStep;
    std::function<void()> m_openSample;
    TourDots* m_dots;
    TextLabel* m_title;
    TextLabel* m_body;
    PrimaryButton* m_sample;
    QAbstractButton* m_skip;
    PrimaryButton* m_back;
    PrimaryButton* m_forward;
    QShortcut* m_escape;
    QPointer<TourShadow> m_shadow;
};

} // namespace fernholm
