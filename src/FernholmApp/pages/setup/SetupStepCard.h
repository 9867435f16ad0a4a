#pragma once

#include "FernholmApp/components/layout/Surface.h"
#include "FernholmKit/presentation/SetupSteps.h"

class QGraphicsOpacityEffect;
class QHBoxLayout;

namespace fernholm {

class SetupStepButton;
class StepBadge;
class TextLabel;
class TextLink;

// One step of the guided setup, drawn in the step's look:
// - done: a Theme::surface card outlined in Theme::cardEdge; badge, title over detail, and the
//   "Remove certificate" link at the far end when the step offers it; all centred on one line;
// - current: a Theme::hero card without outline; badge and texts aligned at the top, the step
//   button under them at the trailing edge;
// - pending: as done, without a control, the whole row at 0.6 opacity.
// Padding 22 across, 18 above and below (22 all round on a current card). Title sans 15/600,
// detail sans 13/400 wrapping, 2 apart.
//
//     auto* card = new SetupStepCard(SetupSteps::certificate(status, false));
//     connect(card, &SetupStepCard::activated, this, [](SetupStep::Control control) { ... });
//     card->setStep(SetupSteps::certificate(newStatus, false));   // in place
//     card->setBusy(model.supervision().busy());
//
// The controls are disabled while busy; the card says which one was pressed.
class SetupStepCard : public Surface {
    Q_OBJECT
public:
    static constexpr qreal pendingOpacity = 0.6;

    explicit SetupStepCard(const SetupStep& step, QWidget* parent = nullptr);

    const SetupStep& step() const { return m_step; }
    void setStep(const SetupStep& step);
    bool busy() const { return m_busy; }
    void setBusy(bool busy);

    // The opacity the whole row is drawn at.
    qreal rowOpacity() const;

    StepBadge* badge() const { return m_badge; }
    TextLabel* titleLabel() const { return m_title; }
    TextLabel* detailLabel() const { return m_detail; }
    // Shown for the install and turn-on controls.
    SetupStepButton* button() const { return m_button; }
    // Shown for the certificate's removal.
    TextLink* removeLink() const { return m_remove; }

Q_SIGNALS:
    void activated(SetupStep::Control control);

private:
    void apply();

    SetupStep m_step;
    bool m_busy = false;
    QHBoxLayout* m_top = nullptr;
    StepBadge* m_badge = nullptr;
    TextLabel* m_title = nullptr;
    TextLabel* m_detail = nullptr;
    TextLink* m_remove = nullptr;
    QWidget* m_buttonRow = nullptr;
    SetupStepButton* m_button = nullptr;
    QGraphicsOpacityEffect* m_fade = nullptr;
};

} // namespace fernholm
