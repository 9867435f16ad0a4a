#include "FernholmApp/pages/setup/SetupStepCard.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/pages/setup/SetupStepButton.h"
#include "FernholmApp/pages/setup/StepBadge.h"
#include "FernholmKit/text/L10n.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

Surface::Look lookOf(SetupStep::Look look) {
    if (look == SetupStep::Look::current) {
        return {Theme::cardRadius, Theme::hero, std::nullopt, false};
    }
    return {Theme::cardRadius, Theme::surface, Theme::cardEdge, true};
}

QString buttonTitle(SetupStep::Control control) {
    return control == SetupStep::Control::turnOn ? fernholm::tr("Turn on") : fernholm::tr("Install");
}

} // namespace

SetupStepCard::SetupStepCard(const SetupStep& step, QWidget* parent) : Surface(lookOf(step.look), parent) {
    body()->setSpacing(16);

    m_top = new QHBoxLayout;
    m_top->setContentsMargins(0, 0, 0, 0);
    m_top->setSpacing(16);
    m_badge = new StepBadge;
    m_top->addWidget(m_badge);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    m_title = new TextLabel(QString(), Fonts::sans(15, 600), Theme::ink);
    m_detail = new TextLabel(QString(), Fonts::sans(13), Theme::dim);
    texts->addWidget(m_title);
    texts->addWidget(m_detail);
    m_top->addLayout(texts, 1);
    m_remove = new TextLink(fernholm::tr("Remove certificate"), Theme::dim, 13, true);
    m_top->addWidget(m_remove, 0, Qt::AlignVCenter);
    body()->addLayout(m_top);

    m_buttonRow = new QWidget;
    auto* buttonRow = new QHBoxLayout(m_buttonRow);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch(1);
    m_button = new SetupStepButton(QString());
    buttonRow->addWidget(m_button);
    body()->addWidget(m_buttonRow);

    m_fade = new QGraphicsOpacityEffect(this);
    m_fade->setOpacity(pendingOpacity);
    setGraphicsEffect(m_fade);

    connect(m_button, &QAbstractButton::clicked, this, [this] { Q_EMIT activated(m_step.control); });
    connect(m_remove, &QAbstractButton::clicked, this,
            [this] { Q_EMIT activated(SetupStep::Control::removeCertificate); });

    m_step = step;
    apply();
}

void SetupStepCard::setStep(const SetupStep& step) {
    if (step == m_step) {
        return;
    }
    m_step = step;
    apply();
}

void SetupStepCard::setBusy(bool busy) {
    if (busy == m_busy) {
        return;
    }
    m_busy = busy;
    m_button->setEnabled(!busy);
    m_remove->setEnabled(!busy);
}

qreal SetupStepCard::rowOpacity() const {
    return m_fade->isEnabled() ? m_fade->opacity() : 1.0;
}

void SetupStepCard::apply() {
    const bool current = m_step.look == SetupStep::Look::current;
    setLook(lookOf(m_step.look));
    if (current) {
        body()->setContentsMargins(22, 22, 22, 22);
    } else {
        body()->setContentsMargins(22, 18, 22, 18);
    }
    m_badge->set(m_step.look, m_step.number);
    m_top->setAlignment(m_badge, current ? Qt::AlignTop : Qt::AlignVCenter);

    m_title->setText(m_step.title);
    m_title->setColor(current ? Theme::heroInk : Theme::ink);
    m_detail->setText(m_step.detail);
    m_detail->setColor(current ? Theme::heroDim : Theme::dim);

    const bool hasButton =
        current && (m_step.control == SetupStep::Control::install || m_step.control == SetupStep::Control::turnOn);
    m_button->setTitle(buttonTitle(m_step.control));
    m_button->setEnabled(!m_busy);
    m_buttonRow->setVisible(hasButton);
    m_remove->setEnabled(!m_busy);
    m_remove->setVisible(!current && m_step.control == SetupStep::Control::removeCertificate);

    m_fade->setEnabled(m_step.look == SetupStep::Look::pending);
}

} // namespace fernholm
