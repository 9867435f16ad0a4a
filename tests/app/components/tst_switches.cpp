#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::VSwitch::Size)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

QColor backdrop(ColorScheme scheme) {
    return Theme::background.resolve(scheme);
}

enum class Tab { activity, rules, studio };

QList<SegmentedControl::Option> tabs() {
    return {{QVariant::fromValue(Tab::activity), QStringLiteral("Activity")},
            {QVariant::fromValue(Tab::rules), QStringLiteral("Rules")},
            {QVariant::fromValue(Tab::studio), QStringLiteral("Studio")}};
}

// The caller's side of the switch: writes back what the switch asks for.
void bindToItself(VSwitch* control) {
    QObject::connect(control, &VSwitch::toggleRequested, control, &VSwitch::setOn);
}

} // namespace

Q_DECLARE_METATYPE(Tab)

class SwitchesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }
    void cleanup() {
        L10n::setLanguage(QStringLiteral("en"));
        Motion::setEnabled(false);
    }

    void switchGeometry_data() {
        QTest::addColumn<VSwitch::Size>("size");
        QTest::addColumn<QSize>("track");
        QTest::addColumn<qreal>("knob");
        QTest::addColumn<qreal>("inset");
        QTest::newRow("hero") << VSwitch::Size::hero << QSize(72, 40) << 32.0 << 4.0;
        QTest::newRow("regular") << VSwitch::Size::regular << QSize(48, 28) << 22.0 << 3.0;
        QTest::newRow("small") << VSwitch::Size::small << QSize(44, 26) << 20.0 << 3.0;
    }

    // Track and knob geometry of each size, and the knob found at the end the value says.
    void switchGeometry() {
        QFETCH(VSwitch::Size, size);
        QFETCH(QSize, track);
        QFETCH(qreal, knob);
        QFETCH(qreal, inset);
        VSwitch control(size, Theme::live, Theme::heroOffTrack, QStringLiteral("Protection"));
        QCOMPARE(control.sizeHint(), track);
        QCOMPARE(control.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(control.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        control.resize(control.sizeHint());
        QCOMPARE(control.trackRect(), QRectF(QPointF(0, 0), QSizeF(track)));

        const QRectF leading(inset, inset, knob, knob);
        const QRectF trailing(track.width() - inset - knob, inset, knob, knob);
        QCOMPARE(control.knobRect(), leading);
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            for (const bool on : {false, true}) {
                control.setOn(on);
                QCOMPARE(control.knobRect(), on ? trailing : leading);
                const QImage image = test::render(&control, scheme);
                const QColor trackColor = (on ? Theme::live : Theme::heroOffTrack).resolve(scheme);
                const QRectF knobAt = on ? trailing : leading;
                const QRectF emptyEnd = on ? leading : trailing;
                FERNHOLM_COMPARE_COLOR(test::sample(image, knobAt.center()), QColor(Qt::white), 1);
                FERNHOLM_COMPARE_COLOR(test::sample(image, emptyEnd.center()), trackColor, 1);
                // Outside the capsule's rounded ends: the page.
                FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(0.5, 0.5)), backdrop(scheme), 2);
            }
        }
    }

    // The knob casts a soft shadow below it onto the track.
    void knobShadow() {
        VSwitch control(VSwitch::Size::hero, Theme::live, Theme::heroOffTrack);
        control.resize(control.sizeHint());
        const QImage image = test::render(&control, ColorScheme::light);
        const QRectF knob = control.knobRect();
        const QColor track = Theme::heroOffTrack.resolve(ColorScheme::light);
        const QColor below = test::sample(image, QPointF(knob.center().x(), knob.bottom() + 1.25));
        const QColor above = test::sample(image, QPointF(knob.center().x(), knob.top() - 1.25));
        QVERIFY2(below.lightness() < track.lightness() - 2, qPrintable(test::describe(below)));
        QVERIFY2(below.lightness() < above.lightness(), qPrintable(test::describe(above)));
    }

    void clickAsksForTheOtherValue() {
        VSwitch control(VSwitch::Size::regular);
        control.resize(control.sizeHint());
        QSignalSpy requested(&control, &VSwitch::toggleRequested);

        QTest::mouseClick(&control, Qt::LeftButton, {}, control.rect().center());
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.last().at(0).toBool(), true);
        QVERIFY(!control.isOn()); // it shows what the caller sets, and nothing was set
        QCOMPARE(control.knobPosition(), 0.0);

        control.setOn(true);
        QTest::keyClick(&control, Qt::Key_Space);
        QCOMPARE(requested.count(), 2);
        QCOMPARE(requested.last().at(0).toBool(), false);
        QVERIFY(control.isOn());

        // A click beside the capsule's rounded end misses it.
        QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(requested.count(), 2);

        bindToItself(&control);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.rect().center());
        QVERIFY(!control.isOn());
        QCOMPARE(control.knobPosition(), 0.0);
    }

    void disabledSwitchIgnoresClicks() {
        VSwitch control(VSwitch::Size::hero, Theme::switchOn, Theme::switchOff, QStringLiteral("Protection"));
        control.resize(control.sizeHint());
        control.setOn(true);
        control.setEnabled(false);
        QSignalSpy requested(&control, &VSwitch::toggleRequested);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.rect().center());
        QTest::keyClick(&control, Qt::Key_Space);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&control);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(requested.count(), 0);
        QVERIFY(control.isOn());

        const QImage image = test::render(&control, ColorScheme::light);
        const QColor back = backdrop(ColorScheme::light);
        const QRectF leading(4, 4, 32, 32);
        FERNHOLM_COMPARE_COLOR(test::sample(image, leading.center()),
                               test::over(Theme::switchOn.opacity(0.55).resolve(ColorScheme::light), back), 2);
        // The knob seen through the same glass: white at 55 %, no shadow showing through it.
        FERNHOLM_COMPARE_COLOR(test::sample(image, control.knobRect().center()),
                               test::over(QColor::fromRgbF(1, 1, 1, 0.55f), back), 2);
    }

    void switchAccessibility_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("off");
        QTest::newRow("English") << QStringLiteral("en") << true << QStringLiteral("On") << QStringLiteral("Off");
        QTest::newRow("English, disabled")
            << QStringLiteral("en") << false << QStringLiteral("On") << QStringLiteral("Off");
        QTest::newRow("Polish") << QStringLiteral("pl") << true << QStringLiteral("Włączone")
                                << QStringLiteral("Wyłączone");
        QTest::newRow("Polish, disabled")
            << QStringLiteral("pl") << false << QStringLiteral("Włączone") << QStringLiteral("Wyłączone");
    }

    void switchAccessibility() {
        QFETCH(QString, language);
        QFETCH(bool, enabled);
        QFETCH(QString, on);
        QFETCH(QString, off);
        L10n::setLanguage(language);
        VSwitch control(VSwitch::Size::regular, Theme::switchOn, Theme::switchOff, QStringLiteral("Open at login"));
        control.setEnabled(enabled);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&control);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::CheckBox);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Open at login"));
        QCOMPARE(accessible->text(QAccessible::Value), off);
        QVERIFY(accessible->state().checkable);
        QVERIFY(!accessible->state().checked);
        QCOMPARE(accessible->state().disabled, !enabled);
        control.setOn(true);
        QCOMPARE(accessible->text(QAccessible::Value), on);
        QVERIFY(accessible->state().checked);
    }

    // An assistive technology flips the switch through its "Toggle" action, which asks like a click.
    void toggleAction() {
        VSwitch control(VSwitch::Size::small, Theme::switchOn, Theme::switchOff, QStringLiteral("Send reports"));
        bindToItself(&control);
        QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(&control)->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(control.isOn());
        actions->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!control.isOn());
    }

    // The knob slides when the switch is on screen and animations are on; it is at its end at
    // once when hidden.
    void knobSlides() {
        Motion::setEnabled(true);
        VSwitch hidden(VSwitch::Size::regular);
        hidden.setOn(true);
        QCOMPARE(hidden.knobPosition(), 1.0);

        QWidget window;
        auto* shown = new VSwitch(VSwitch::Size::regular, Theme::switchOn, Theme::switchOff, QString(), &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        shown->setOn(true);
        QVERIFY(shown->isOn());
        QCOMPARE(shown->knobPosition(), 0.0); // on its way
        QTRY_COMPARE(shown->knobPosition(), 1.0);
        shown->setOn(false);
        QTRY_COMPARE(shown->knobPosition(), 0.0);
        Motion::setEnabled(false);
        shown->setOn(true);
        QCOMPARE(shown->knobPosition(), 1.0);
    }

    void segmentWidths_data() {
        QTest::addColumn<qreal>("height");
        QTest::addColumn<qreal>("padding");
        QTest::newRow("32: narrow padding") << 32.0 << 14.0;
        QTest::newRow("33: wide padding") << 33.0 << 18.0;
    }

    void segmentWidths() {
        QFETCH(qreal, height);
        QFETCH(qreal, padding);
        SegmentedControl control(tabs(), height, 13, Theme::muted);
        control.setSelection(QVariant::fromValue(Tab::rules));
        QCOMPARE(control.segmentPadding(), padding);

        qreal x = 4;
        const QList<QWidget*> segments = control.segments();
        QCOMPARE(segments.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QFont font = Fonts::sans(13, i == 1 ? 600 : 500);
            const qreal label = QFontMetricsF(font).horizontalAdvance(tabs()[i].label);
            const QRectF rect = control.segmentRect(i);
            QCOMPARE(rect.left(), x);
            QCOMPARE(rect.top(), 4.0);
            QCOMPARE(rect.height(), height);
            QVERIFY2(
                rect.width() >= label + 2 * padding && rect.width() < label + 2 * padding + 1,
                qPrintable(
                    QStringLiteral("segment %1 is %2 wide for a label of %3").arg(i).arg(rect.width()).arg(label)));
            QCOMPARE(QRectF(segments[i]->geometry()), rect);
            x = rect.right() + 4;
        }
        // Its ideal size, fixed: 4 of track around the segments.
        QCOMPARE(control.size(), QSize(int(std::ceil(x)), int(std::ceil(height + 8))));
        QCOMPARE(control.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);

        // In a wide layout it keeps that size.
        QWidget holder;
        auto* layout = new QHBoxLayout(&holder);
        layout->addWidget(&control);
        holder.resize(800, 200);
        layout->activate();
        QCOMPARE(control.size(), control.sizeHint());
        layout->removeWidget(&control);
        control.setParent(nullptr);
    }

    void segmentLook_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<bool>("tileTrack");
        QTest::newRow("muted-light") << ColorScheme::light << false;
        QTest::newRow("muted-dark") << ColorScheme::dark << false;
        QTest::newRow("tile-light") << ColorScheme::light << true;
        QTest::newRow("tile-dark") << ColorScheme::dark << true;
    }

    // The selected segment stands on an ink capsule with its label in the surface colour; the
    // others are dim labels on the track. The selection is plain to see: the capsule's pixels
    // stand at least 3:1 against the track's.
    void segmentLook() {
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, tileTrack);
        const ThemeColor trackColor = tileTrack ? Theme::tile : Theme::muted;
        SegmentedControl control(tabs(), 32, 13, trackColor);
        control.setSelection(QVariant::fromValue(Tab::activity));
        const QImage image = test::render(&control, scheme);
        test::saveScreenshot(image, QStringLiteral("segmented-") + QString::fromLatin1(QTest::currentDataTag()));
        const QColor track = trackColor.resolve(scheme);
        const QRectF selected = control.segmentRect(0);
        const QRectF other = control.segmentRect(2);
        // Beside the label, inside the segment's rounded end.
        const QColor thumbPixel = test::sample(image, QPointF(selected.left() + 8, selected.center().y()));
        const QColor trackPixel = test::sample(image, QPointF(other.left() + 8, other.center().y()));
        FERNHOLM_COMPARE_COLOR(thumbPixel, Theme::ink.resolve(scheme), 2);
        FERNHOLM_COMPARE_COLOR(trackPixel, track, 2);
        const qreal contrast = test::contrastRatio(thumbPixel, trackPixel);
        QVERIFY2(contrast >= 3.0, qPrintable(QStringLiteral("thumb against track %1:1").arg(contrast, 0, 'f', 2)));
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, selected.adjusted(12, 6, -12, -6), thumbPixel),
                               Theme::surface.resolve(scheme), 16);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, other.adjusted(12, 6, -12, -6), track),
                               Theme::dim.resolve(scheme), 16);
        // The track's capsule ends, and the page outside them.
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(0.5, 0.5)), backdrop(scheme), 2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(2, control.height() / 2.0)), track, 2);
    }

    void valueOutsideTheOptions() {
        SegmentedControl control(tabs(), 32, 13, Theme::muted);
        control.setSelection(QStringLiteral("settings"));
        QCOMPARE(control.selectedIndex(), -1);
        const QColor track = Theme::muted.resolve(ColorScheme::light);
        QImage image = test::render(&control, ColorScheme::light);
        for (int i = 0; i < 3; ++i) {
            const QRectF rect = control.segmentRect(i);
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(rect.left() + 8, rect.center().y())), track, 2);
        }

        QSignalSpy activated(&control, &SegmentedControl::activated);
        QTest::mouseClick(control.segments()[2], Qt::LeftButton, {}, control.segments()[2]->rect().center());
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.last().at(0).value<Tab>(), Tab::studio);
        QCOMPARE(control.selectedIndex(), 2);
        image = test::render(&control, ColorScheme::light);
        const QRectF rect = control.segmentRect(2);
        FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(rect.left() + 8, rect.center().y())),
                               Theme::ink.resolve(ColorScheme::light), 2);
    }

    void clickOnTheSelectedSegmentWritesAgain() {
        SegmentedControl control(tabs(), 32, 13, Theme::muted);
        control.setSelection(QVariant::fromValue(Tab::rules));
        QSignalSpy activated(&control, &SegmentedControl::activated);
        QWidget* rules = control.segments()[1];
        QTest::mouseClick(rules, Qt::LeftButton, {}, rules->rect().center());
        QTest::mouseClick(rules, Qt::LeftButton, {}, rules->rect().center());
        QTest::keyClick(rules, Qt::Key_Space);
        QCOMPARE(activated.count(), 3);
        for (const auto& arguments : activated) {
            QCOMPARE(arguments.at(0).value<Tab>(), Tab::rules);
        }
        // Setting the value from outside is no click.
        control.setSelection(QVariant::fromValue(Tab::activity));
        QCOMPARE(activated.count(), 3);
        QCOMPARE(control.selectedIndex(), 0);
    }

    void segmentAccessibility() {
        SegmentedControl control(tabs(), 32, 13, Theme::muted);
        control.setAccessibleName(QStringLiteral("Section"));
        control.setSelection(QVariant::fromValue(Tab::rules));
        QAccessibleInterface* group = QAccessible::queryAccessibleInterface(&control);
        QCOMPARE(group->role(), QAccessible::Grouping);
        QCOMPARE(group->text(QAccessible::Name), QStringLiteral("Section"));
        QCOMPARE(group->childCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QAccessibleInterface* segment = group->child(i);
            QCOMPARE(segment->role(), QAccessible::Button);
            QCOMPARE(segment->text(QAccessible::Name), tabs()[i].label);
            QCOMPARE(bool(segment->state().selected), i == 1);
        }
        QSignalSpy activated(&control, &SegmentedControl::activated);
        group->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(activated.count(), 1);
        QVERIFY(group->child(2)->state().selected);
        QVERIFY(!group->child(1)->state().selected);
    }

    void screenshots() {
        for (const bool polish : {false, true}) {
            QWidget sheet;
            auto* grid = new QGridLayout(&sheet);
            grid->setContentsMargins(16, 16, 16, 16);
            grid->setHorizontalSpacing(14);
            grid->setVerticalSpacing(12);
            int row = 0;
            const QList<std::pair<VSwitch::Size, QString>> sizes{{VSwitch::Size::hero, QStringLiteral("hero")},
                                                                 {VSwitch::Size::regular, QStringLiteral("regular")},
                                                                 {VSwitch::Size::small, QStringLiteral("small")}};
            for (const auto& [size, name] : sizes) {
                const bool hero = size == VSwitch::Size::hero;
                auto* caption = new TextLabel(name, Fonts::sans(12), Theme::faint, &sheet);
                caption->setMaxLines(1);
                grid->addWidget(caption, row, 0);
                int column = 1;
                for (const bool enabled : {true, false}) {
                    for (const bool on : {false, true}) {
                        auto* control = new VSwitch(size, hero ? Theme::live : Theme::switchOn,
                                                    hero ? Theme::heroOffTrack : Theme::switchOff, name, &sheet);
                        control->setOn(on);
                        control->setEnabled(enabled);
                        grid->addWidget(control, row, column++);
                    }
                }
                ++row;
            }
            const QList<SegmentedControl::Option> options =
                polish ? QList<SegmentedControl::Option>{{0, QStringLiteral("Wszystko")},
                                                         {1, QStringLiteral("Zablokowane")},
                                                         {2, QStringLiteral("Zanonimizowane")}}
                       : QList<SegmentedControl::Option>{{0, QStringLiteral("All")},
                                                         {1, QStringLiteral("Blocked")},
                                                         {2, QStringLiteral("Anonymized")}};
            for (const auto& [height, fontSize] :
                 {std::pair{28.0, 12.0}, std::pair{32.0, 13.0}, std::pair{36.0, 14.0}}) {
                auto* picker = new SegmentedControl(options, height, fontSize, Theme::muted, &sheet);
                picker->setSelection(1);
                grid->addWidget(picker, row++, 1, 1, 4, Qt::AlignLeft);
            }
            auto* none = new SegmentedControl(options, 32, 13, Theme::muted, &sheet); // selects none
            grid->addWidget(none, row++, 1, 1, 4, Qt::AlignLeft);
            sheet.resize(sheet.sizeHint());
            const QString name = polish ? QStringLiteral("controls-switches-pl") : QStringLiteral("controls-switches");
            QVERIFY(!test::saveScreenshot(test::lightAndDark(&sheet), name).isEmpty());
        }
    }
};

QTEST_MAIN(SwitchesTest)
#include "tst_switches.moc"
