#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QString>

namespace fernholm {

// What assistive technology sees of an on/off control: a check box named by its label, with its
// value as text and one toggle action that clicks it while enabled. The control's own state goes
// in through an overload `fillCheckState(const Control&, QAccessible::State&)` found beside it.
template <class Control>
class AccessibleToggle final : public QAccessibleWidget {
public:
    explicit AccessibleToggle(Control* control) : QAccessibleWidget(control, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return control()->accessibleName().isEmpty() ? control()->label() : control()->accessibleName();
        case QAccessible::Value:
            return control()->valueText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        fillCheckState(*control(), s);
        return s;
    }

    QStringList actionNames() const override { return QStringList{toggleAction()} + QAccessibleWidget::actionNames(); }

    void doAction(const QString& name) override {
        if (name != toggleAction()) {
            QAccessibleWidget::doAction(name);
        } else if (control()->isEnabled()) {
            control()->click();
        }
    }

    // For QAccessible::installFactory: builds the interface for widgets of class `Control`.
    static QAccessibleInterface* factory(const QString& className, QObject* object) {
        if (className == QLatin1String(Control::staticMetaObject.className()) && object && object->isWidgetType()) {
            return new AccessibleToggle(static_cast<Control*>(object));
        }
        return nullptr;
    }

private:
    Control* control() const { return static_cast<Control*>(widget()); }
};

} // namespace fernholm
