#include "FernholmApp/components/alerts/AlertHandlers.h"

#include <QEvent>

namespace fernholm {

namespace {

// The handlers set on one widget, kept as its child object.
class HandlersHolder final : public QObject {
public:
    HandlersHolder(QWidget* root, AlertHandlers handlers) : QObject(root), value(std::move(handlers)) {
        setObjectName(QStringLiteral("alertHandlers"));
    }

    AlertHandlers value;
};

HandlersHolder* holderOf(const QWidget* widget) {
    for (QObject* child : widget->children()) {
        if (auto* holder = dynamic_cast<HandlersHolder*>(child)) {
            return holder;
        }
    }
    return nullptr;
}

AlertHandlers withClosures(AlertHandlers handlers) {
    if (!handlers.run) {
        handlers.run = [](const AlertAction&) {
        };
    }
    if (!handlers.snooze) {
        handlers.snooze = [](const AppAlert&) {
        };
    }
    return handlers;
}

} // namespace

AlertHandlers AlertHandlers::of(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (const HandlersHolder* holder = holderOf(w)) {
            return withClosures(holder->value);
        }
    }
    return withClosures({});
}

// Tells the views below `root` that the handlers in force may have changed.
void AlertHandlers::notifyBelow(QWidget* root) {
    if (auto* view = qobject_cast<AlertView*>(root)) {
        view->handlersChanged();
    }
    const auto views = root->findChildren<AlertView*>();
    for (AlertView* view : views) {
        view->handlersChanged();
    }
}

void AlertHandlers::set(QWidget* root, AlertHandlers handlers) {
    if (!root) {
        return;
    }
    if (HandlersHolder* holder = holderOf(root)) {
        const bool busyChanged = holder->value.busy != handlers.busy;
        holder->value = std::move(handlers);
        if (busyChanged) {
            notifyBelow(root);
        }
        return;
    }
    const bool busyChanged = of(root).busy != handlers.busy;
    new HandlersHolder(root, std::move(handlers));
    if (busyChanged) {
        notifyBelow(root);
    }
}

void AlertHandlers::setBusy(QWidget* root, bool busy) {
    if (!root) {
        return;
    }
    AlertHandlers handlers;
    if (const HandlersHolder* holder = holderOf(root)) {
        handlers = holder->value;
    }
    handlers.busy = busy;
    set(root, std::move(handlers));
}

void AlertHandlers::clear(QWidget* root) {
    if (!root) {
        return;
    }
    HandlersHolder* holder = holderOf(root);
    if (!holder) {
        return;
    }
    const bool wasBusy = holder->value.busy;
    delete holder;
    if (of(root).busy != wasBusy) {
        notifyBelow(root);
    }
}

bool AlertHandlers::isSetOn(const QWidget* root) {
    return root && holderOf(root);
}

AlertView::AlertView(QWidget* parent) : QWidget(parent) {}

bool AlertView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
        handlersChanged();
    }
    return handled;
}

void AlertView::run(const AlertAction& action) const {
    AlertHandlers::of(this).run(action);
}

} // namespace fernholm
