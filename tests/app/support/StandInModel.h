#pragma once

// The application model over the stand-in gateway, as model and view tests make it. A test class
// takes it as a second base and calls setUpStandIn() in init() and tearDownStandIn() in cleanup():
//
//     class PollingTest : public QObject, public test::StandInModel { ... };
//     void init() { QVERIFY(setUpStandIn()); }          // checkout, fakes, short times, free port
//     void cleanup() { tearDownStandIn(); }             // the model first, then its stand-ins
//     m_config.readyTimeout = ...;                      // before the model is made
//     AppModel& model = startedModel({{"FAKE_GW_WRONG_PROOF", "1"}});
//     launchedPids();                                   // each child it launched, at the launch
//
// Tests that need a platform of their own make the model themselves from m_fakes and m_config.

#include "FernholmApp/model/AppModel.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"

#include <QList>
#include <QObject>

#include <memory>

namespace fernholm::test {

// How long a real launch may take, possibly under a sanitizer on a busy machine.
inline constexpr int standInPatienceMs = 30'000;

class StandInModel {
public:
    StandInModel();
    ~StandInModel();
    StandInModel(const StandInModel&) = delete;
    StandInModel& operator=(const StandInModel&) = delete;

protected:
    // A fresh checkout with the stand-in, fresh fakes and quickConfig() on a free loopback port,
    // with a short terminate grace. Whether the checkout could be made.
    bool setUpStandIn();
    // The model goes first, then the stand-ins it launched, then the fakes and the checkout.
    void tearDownStandIn();

    // A new model (the earlier one goes first) whose launches find the stand-in, with `extra`
    // (FAKE_GW_ switches) in their environment. Not started.
    AppModel& makeModel(const Environment& extra = {});
    // The same, started; returns once its first launch has an outcome (ready, exited or failed).
    AppModel& startedModel(const Environment& extra = {});
    // Watches the launches of a model the test made itself in m_model.
    void watchLaunches();

    // The process id of every child the current model launched, oldest first, noted when the
    // child was launched: a child stopped before it could write anything down is listed too.
    // Only for models made by makeModel(), startedModel() or watched with watchLaunches().
    const QList<qint64>& launchedPids() const { return m_launchedPids; }

    std::unique_ptr<StandInCheckout> m_checkout;
    std::unique_ptr<TestPlatform> m_fakes;
    std::unique_ptr<AppModel> m_model;
    Config m_config;

private:
    // Deletes the model and waits (a while) for the exchanges it left under way to end.
    void dropModel();

    std::unique_ptr<QObject> m_launchWatch;
    QList<qint64> m_launchedPids;
};

} // namespace fernholm::test
