#include "FernholmApp/pages/setup/SetupScreen.h"

#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/components/layout/FirstRunFrame.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/MarkedTitle.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/setup/BrowsersCard.h"
#include "FernholmApp/pages/setup/SetupStepCard.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmKit/presentation/SetupSteps.h"
#include "FernholmKit/text/L10n.h"

#include <QPointer>
#include <QVBoxLayout>

namespace fernholm {

namespace {

QString subtitle() {
    return fernholm::tr("Everything runs locally. Nothing you type is stored or sent anywhere.");
}

QString counterText(const std::optional<Status>& status) {
    return fernholm::tr("Step {n} of {total}", {{QStringLiteral("n"), SetupSteps::currentStep(status)},
                                                {QStringLiteral("total"), SetupSteps::total}});
}

} // namespace

SetupScreen::SetupScreen(AppModel& model, bool firstRun, std::function<void()> onCompleted,
                         std::function<void()> onShowTour, QWidget* parent)
    : QWidget(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()),
      m_firstRun(firstRun), m_onCompleted(std::move(onCompleted)), m_onShowTour(std::move(onShowTour)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (m_firstRun) {
        buildFirstRun();
    } else {
        buildPage();
    }
    connect(&m_protection, &ProtectionStatus::statusChanged, this, &SetupScreen::followStatus);
    connect(&m_supervision, &Supervision::busyChanged, this, &SetupScreen::followBusy);
    followBusy();
}

SetupScreen::~SetupScreen() = default;

QWidget* SetupScreen::buildSteps() {
    const auto& status = m_protection.status();
    m_steps = new QWidget;
    auto* column = new QVBoxLayout(m_steps);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    m_certificate = new SetupStepCard(SetupSteps::certificate(status, m_firstRun));
    m_turnOn = new SetupStepCard(SetupSteps::turnOn(status));
    m_browsers = new BrowsersCard;
    m_browsers->setRows(browserSetupRows(status));
    column->addWidget(m_certificate);
    column->addWidget(m_turnOn);
    column->addWidget(m_browsers);
    for (SetupStepCard* card : {m_certificate, m_turnOn}) {
        connect(card, &SetupStepCard::activated, this, [this](SetupStep::Control control) {
            switch (control) {
            case SetupStep::Control::install:
                m_model.installCA();
                break;
            case SetupStep::Control::removeCertificate:
                m_model.removeCA();
                break;
            case SetupStep::Control::turnOn:
                turnOn();
                break;
            case SetupStep::Control::none:
                break;
            }
        });
    }
    return m_steps;
}

void SetupScreen::buildFirstRun() {
    m_frame = new FirstRunFrame;
    layout()->addWidget(m_frame);
    m_counter = new TextLabel(counterText(m_protection.status()), Fonts::sans(13), Theme::faint);
    m_counter->setMaxLines(1);
    m_frame->setTrailing(m_counter);

    auto* head = new QWidget;
    auto* stack = new QVBoxLayout(head);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);
    stack->addWidget(new MarkedTitle(fernholm::tr("Two minutes to"), fernholm::tr("private chats"), 46));
    auto* lead = new TextLabel(subtitle(), Fonts::sans(16), Theme::dim);
    lead->setAlignment(Qt::AlignHCenter);
    stack->addWidget(lead);
    m_frame->addWidget(head);

    QWidget* steps = buildSteps();
    steps->setMaximumWidth(firstRunStepsWidth);
    m_frame->addWidget(steps);

    if (m_onShowTour) {
        m_tourLink = new TextLink(fernholm::tr("Show me around first"), Theme::dim, 13, true);
        connect(m_tourLink, &QAbstractButton::clicked, this, [this] { m_onShowTour(); });
        m_frame->addWidget(m_tourLink, Qt::AlignHCenter);
    }
}

void SetupScreen::buildPage() {
    m_page = new Page(Theme::sectionGap);
    layout()->addWidget(m_page);
    m_header = new PageHeader(fernholm::tr("Setup"), subtitle());
    m_page->addWidget(m_header);
    m_page->addWidget(buildSteps());
    if (m_onShowTour) {
        m_tourButton = new PrimaryButton(fernholm::tr("Show tour"), PrimaryButton::Style::secondary);
        m_tourButton->setArrow(false);
        connect(m_tourButton, &QAbstractButton::clicked, this, [this] { m_onShowTour(); });
        m_page->addWidget(m_tourButton, Qt::AlignLeft);
    }
}

void SetupScreen::followStatus() {
    const auto& status = m_protection.status();
    if (m_counter) {
        m_counter->setText(counterText(status));
    }
    m_certificate->setStep(SetupSteps::certificate(status, m_firstRun));
    m_turnOn->setStep(SetupSteps::turnOn(status));
    m_browsers->setRows(browserSetupRows(status));

    const bool done = SetupSteps::protectionOn(status);
    if (!done || !isVisible()) {
        m_turnedOnShown = false;
        return;
    }
    if (!m_turnedOnShown) {
        m_turnedOnShown = true;
        if (m_onCompleted) {
            m_onCompleted();
        }
    }
}

void SetupScreen::followBusy() {
    const bool busy = m_supervision.busy();
    m_certificate->setBusy(busy);
    m_turnOn->setBusy(busy);
}

void SetupScreen::turnOn() {
    // The gateway's answer comes later; the caller may move on at once.
    m_model.toggleProtection();
    if (m_onCompleted) {
        m_onCompleted();
    }
}

void SetupScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const int show = ++m_shows;
    m_turnedOnShown = SetupSteps::protectionOn(m_protection.status());
    if (!m_turnedOnShown || !m_onCompleted) {
        return;
    }
    // Run after the show has finished: the host may replace this page in its callback.
    QMetaObject::invokeMethod(
        this,
        [this, show] {
            if (show == m_shows && isVisible() && SetupSteps::protectionOn(m_protection.status()) && m_onCompleted) {
                m_onCompleted();
            }
        },
        Qt::QueuedConnection);
}

void SetupScreen::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ++m_shows;
    m_turnedOnShown = false;
}

} // namespace fernholm
