// The switch over a group of values: what each state shows, tells assistive technology and asks
// for when clicked.
#include "FernholmApp/components/controls/TriStateSwitch.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

using State = TriStateSwitch::State;

class TriStateSwitchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void states_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<qreal>("knob");
        QTest::addColumn<bool>("trackOn");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("mixed");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("asks");
        QTest::newRow("off") << int(State::off) << 0.0 << false << false << false << "Off" << true;
        QTest::newRow("mixed") << int(State::mixed) << 0.5 << true << false << true << "Mixed" << true;
        QTest::newRow("on") << int(State::on) << 1.0 << true << true << false << "On" << false;
    }
    void states() {
        QFETCH(int, state);
        QFETCH(qreal, knob);
        QFETCH(bool, trackOn);
        QFETCH(bool, checked);
        QFETCH(bool, mixed);
        QFETCH(QString, value);
        QFETCH(bool, asks);
        TriStateSwitch control(Theme::switchOn, Theme::switchOff, QStringLiteral("All types in Identity"));
        control.resize(control.sizeHint());
        control.setState(State(state));
        control.show();
        settle();
        QCOMPARE(control.knobPosition(), knob);

        // The track's colour at its trailing end, clear of the knob in every state but on.
        const QImage image = render(&control, ColorScheme::light, 2.0, false);
        const QRectF track = control.trackRect();
        const QPointF probe = state == int(State::on) ? QPointF(track.left() + 3, track.center().y())
                                                      : QPointF(track.right() - 3, track.center().y());
        const ThemeColor expected = trackOn ? Theme::switchOn : Theme::switchOff;
        FERNHOLM_COMPARE_COLOR(sample(image, probe), expected.resolve(ColorScheme::light), 6);

        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&control);
        QVERIFY(access);
        QCOMPARE(access->role(), QAccessible::CheckBox);
        QCOMPARE(access->text(QAccessible::Name), QStringLiteral("All types in Identity"));
        QCOMPARE(access->text(QAccessible::Value), value);
        QCOMPARE(bool(access->state().checkable), true);
        QCOMPARE(bool(access->state().checked), checked);
        QCOMPARE(bool(access->state().checkStateMixed), mixed);

        // A click asks; it does not flip the switch by itself.
        QSignalSpy asked(&control, &TriStateSwitch::toggleRequested);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.rect().center());
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().first().toBool(), asks);
        QCOMPARE(int(control.state()), state);
        // So does Space with the focus on it.
        control.setFocus();
        QTest::keyClick(&control, Qt::Key_Space);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked.last().first().toBool(), asks);
    }

    void disabledItIgnoresClicks() {
        TriStateSwitch control;
        control.resize(control.sizeHint());
        control.setEnabled(false);
        control.show();
        QSignalSpy asked(&control, &TriStateSwitch::toggleRequested);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.rect().center());
        QAccessible::queryAccessibleInterface(&control)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
        QCOMPARE(asked.size(), 0);
    }

    void theValueIsTranslated() {
        L10n::setLanguage(QStringLiteral("pl"));
        TriStateSwitch control;
        control.setState(State::mixed);
        QCOMPARE(control.valueText(), QStringLiteral("Częściowo"));
    }
};

QTEST_MAIN(TriStateSwitchTest)
#include "tst_tristateswitch.moc"
