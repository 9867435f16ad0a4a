#pragma once

#include "FernholmKit/presentation/Alerts.h"

#include <QWidget>

#include <functional>

namespace fernholm {

// What the buttons of the alert views do. No alert view acts on its own: an action button calls
// `run` with its AlertAction, a snooze button calls `snooze` with its alert, and the main action
// buttons are disabled while `busy` is true.
//
// The handlers are set once on an ancestor widget and found by walking up the parent chain from
// the view, so every alert view inside that ancestor shares them. The window's root does this on
// its whole content and follows the model's busy flag:
//
//     AlertHandlers::set(root, {
//         .run = [dispatcher](const AlertAction& action) { dispatcher->perform(action); },
//         .snooze = [model](const AppAlert& alert) { model->alerts().snooze(alert); },
//         .busy = model->supervision().busy(),
//     });
//     connect(&model->supervision(), &Supervision::busyChanged, root,
//             [root, model] { AlertHandlers::setBusy(root, model->supervision().busy()); });
//
// Views read the handlers at the moment of a click, so handlers set again later are the ones
// called. A change of `busy` (set or setBusy) updates the enabled state of every alert view
// below at once; a view that is created, shown or moved under another ancestor reads it again
// by itself. Without handlers above a view, `run` and `snooze` do nothing and `busy` is false.
// The closures are called on the GUI thread and must return at once.
struct AlertHandlers {
    std::function<void(const AlertAction&)> run;
    std::function<void(const AppAlert&)> snooze;
    bool busy = false;

    // The handlers in force for `widget`: those set on it or on its nearest ancestor that has
    // some, else the default. Closures left empty come back as closures that do nothing.
    static AlertHandlers of(const QWidget* widget);

    // Sets the handlers of `root` and everything inside it (replacing what was set on `root`).
    static void set(QWidget* root, AlertHandlers handlers);
    // Changes only `busy` of the handlers set on `root` (sets default closures when it had none).
    static void setBusy(QWidget* root, bool busy);
    // Removes the handlers set on `root`; the views below fall back to those further up.
    static void clear(QWidget* root);
    // Whether handlers were set on `root` itself.
    static bool isSetOn(const QWidget* root);

private:
    static void notifyBelow(QWidget* root);
};

// The base of the alert views whose buttons follow AlertHandlers::busy. Subclasses implement
// handlersChanged() to set the enabled state of their buttons from handlers().busy and call it
// once at the end of their constructor; the base calls it again whenever the view is shown or
// given another parent, and AlertHandlers::set/setBusy call it on every such view below the
// root whose busy flag they change.
class AlertView : public QWidget {
    Q_OBJECT
public:
    // The handlers in force here (AlertHandlers::of(this)).
    AlertHandlers handlers() const { return AlertHandlers::of(this); }

protected:
    explicit AlertView(QWidget* parent = nullptr);

    virtual void handlersChanged() = 0;
    bool event(QEvent* event) override;

    // Runs `action` through the handlers in force now.
    void run(const AlertAction& action) const;

private:
    friend struct AlertHandlers;
};

} // namespace fernholm
