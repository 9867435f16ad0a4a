#include "FernholmApp/components/controls/CheckBox.h"
#include "FernholmApp/components/controls/Disclosure.h"
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/controls/PlainTextEditor.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/controls/Spinner.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::ColorScheme)
Q_DECLARE_METATYPE(fernholm::Spinner::Size)

namespace {

// A window holding `widget` at the top, `width` wide, shown.
struct Window {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QVBoxLayout* layout = new QVBoxLayout(window.get());

    explicit Window(QWidget* widget, int width = 320, int height = 400) {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(widget);
        layout->addStretch(1);
        window->resize(width, height);
        window->show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(window.get()); }
};

QColor surfaceColor(ColorScheme scheme) {
    return Theme::background.resolve(scheme);
}

} // namespace

class FormControlsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useBundledResources(); }
    void cleanup() { Motion::setEnabled(false); }

    // --- Spinner ---

    void spinnerTurns_data() {
        QTest::addColumn<bool>("animations");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("turning");
        QTest::newRow("shown, animations on") << true << true << true;
        QTest::newRow("hidden, animations on") << true << false << false;
        QTest::newRow("shown, animations off") << false << true << false;
    }

    // It turns only while someone can see it, and never in a run without animations.
    void spinnerTurns() {
        QFETCH(bool, animations);
        QFETCH(bool, visible);
        QFETCH(bool, turning);
        Motion::setEnabled(animations);
        auto* spinner = new Spinner(Spinner::Size::small, Theme::faint);
        spinner->setVisible(visible);
        Window window(spinner);
        QVERIFY(window.exposed());
        QCOMPARE(spinner->isTurning(), turning);
        if (turning) {
            QTRY_VERIFY(spinner->step() >= 2);
            // Hidden again, it stops.
            spinner->hide();
            QVERIFY(!spinner->isTurning());
            // And a hidden window stops it too.
            spinner->show();
            QVERIFY(spinner->isTurning());
            window.window->hide();
            QVERIFY(!spinner->isTurning());
        } else {
            QCOMPARE(spinner->step(), 0);
        }
    }

    void spinnerLook_data() {
        QTest::addColumn<Spinner::Size>("size");
        QTest::addColumn<int>("side");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("small, light") << Spinner::Size::small << 16 << ColorScheme::light;
        QTest::newRow("smallest, dark") << Spinner::Size::smallest << 11 << ColorScheme::dark;
    }

    // Its size, and the leading spoke (straight up) drawn in the colour given, the others fainter.
    void spinnerLook() {
        QFETCH(Spinner::Size, size);
        QFETCH(int, side);
        QFETCH(ColorScheme, scheme);
        Spinner spinner(size, Theme::ink);
        QCOMPARE(spinner.sizeHint(), QSize(side, side));
        spinner.resize(spinner.sizeHint());
        const QImage image = test::render(&spinner, scheme, 4);
        const QColor ink = Theme::ink.resolve(scheme);
        const QColor back = surfaceColor(scheme);
        const QRectF top(side / 2.0 - 1, 0, 2, side / 4.0);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, top, back), ink, 40);
        // The spoke just ahead of it (one o'clock) ends the fading trail: drawn, but faint.
        const QRectF ahead(side * 0.62, side * 0.12, side * 0.16, side * 0.2);
        const QColor faded = test::mostDistinct(image, ahead, back);
        QVERIFY(test::hasInk(image, ahead, back));
        QVERIFY2(!test::near(faded, ink, 40), qPrintable(test::describe(faded)));
        QCOMPARE(QAccessible::queryAccessibleInterface(&spinner)->role(), QAccessible::ProgressBar);
    }

    // --- Plain-text editor ---

    void placeholder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("empty, light") << "" << true << ColorScheme::light;
        QTest::newRow("empty, dark") << "" << true << ColorScheme::dark;
        QTest::newRow("a space") << " " << false << ColorScheme::light;
        QTest::newRow("a line break") << "\n" << false << ColorScheme::light;
        QTest::newRow("text") << "x" << false << ColorScheme::light;
    }

    // The placeholder shows for zero characters only, in the faint colour, where the text starts.
    void placeholder() {
        QFETCH(QString, text);
        QFETCH(bool, shown);
        QFETCH(ColorScheme, scheme);
        auto* editor = new PlainTextEditor(Fonts::sans(15), QStringLiteral("Paste or write what you want to ask…"));
        editor->setMinimumHeight(120);
        editor->setText(text);
        Window window(editor);
        QVERIFY(window.exposed());
        QCOMPARE(editor->showsPlaceholder(), shown);

        const QImage image = test::render(editor, scheme);
        const qreal line = Text::lineHeight(Fonts::sans(15));
        // The first words of the placeholder; the text "x" lies left of this area.
        const QRectF words(PlainTextEditor::textInset + 20, 0, 120, line);
        const QColor back = surfaceColor(scheme);
        if (shown) {
            FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, words, back), Theme::faint.resolve(scheme), 24);
            // Nothing left of where the text starts.
            QVERIFY(!test::hasInk(image, QRectF(0, 0, PlainTextEditor::textInset - 1, line), back));
        } else {
            QVERIFY(!test::hasInk(image, words, back));
        }
    }

    // Text in the theme's ink, in the scheme the editor is drawn in.
    void editorText_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }

    void editorText() {
        QFETCH(ColorScheme, scheme);
        auto* editor = new PlainTextEditor(Fonts::sans(15));
        editor->setText(QStringLiteral("MMMMMMMM"));
        Window window(editor);
        QVERIFY(window.exposed());
        const QImage image = test::render(editor, scheme);
        const QRectF firstLine(PlainTextEditor::textInset, 0, 80, Text::lineHeight(Fonts::sans(15)));
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(image, firstLine, surfaceColor(scheme)), Theme::ink.resolve(scheme),
                               24);
    }

    // The user's changes are reported, the caller's are not; an equal text leaves the cursor alone.
    void editsAreReported() {
        auto* editor = new PlainTextEditor(Fonts::sans(14), QStringLiteral("Describe it"));
        Window window(editor);
        window.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.window.get()));
        QSignalSpy edited(editor, &PlainTextEditor::textEdited);
        editor->setText(QStringLiteral("Hello"));
        QCOMPARE(edited.count(), 0);

        editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor, QStringLiteral(" you"));
        QCOMPARE(edited.count(), 4);
        QCOMPARE(edited.last().at(0).toString(), QStringLiteral("Hello you"));
        QTest::keyClick(editor, Qt::Key_Backspace);
        QCOMPARE(edited.last().at(0).toString(), QStringLiteral("Hello yo"));

        editor->moveCursor(QTextCursor::Start);
        editor->setText(QStringLiteral("Hello yo"));
        QCOMPARE(editor->textCursor().position(), 0);
        QCOMPARE(edited.count(), 5);

        // A click on the placeholder reaches the editor.
        editor->setText(QString());
        editor->clearFocus();
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(30, 8));
        QVERIFY(editor->hasFocus());
    }

    // Fitted, the editor grows with its lines between its minimum and maximum height, and
    // scrolls beyond.
    void fitsContent() {
        auto* editor = new PlainTextEditor(Fonts::sans(14));
        editor->setMinimumHeight(100);
        editor->setMaximumHeight(200);
        editor->setFitsContent(true);
        Window window(editor, 300, 600);
        QVERIFY(window.exposed());
        QTRY_COMPARE(editor->height(), 100);

        const qreal line = Text::lineHeight(Fonts::sans(14));
        const int lines = int(150 / line);
        editor->setText(QStringList(lines, QStringLiteral("line")).join(QLatin1Char('\n')));
        QTRY_VERIFY(editor->height() > 100);
        QVERIFY2(std::abs(editor->height() - lines * line) <= lines, qPrintable(QString::number(editor->height())));
        QCOMPARE(editor->verticalScrollBar()->maximum(), 0);

        editor->setText(QStringList(40, QStringLiteral("line")).join(QLatin1Char('\n')));
        QTRY_COMPARE(editor->height(), 200);
        QVERIFY(editor->verticalScrollBar()->maximum() > 0);

        // A long paragraph wraps: more lines at a narrower width.
        editor->setText(QStringList(30, QStringLiteral("word")).join(QLatin1Char(' ')));
        QTRY_VERIFY(editor->height() < 200);
        const int wide = editor->height();
        window.window->resize(150, 600);
        QTRY_VERIFY(editor->height() > wide);
    }

    // --- Check box ---

    void checkBoxClicks() {
        auto* box = new CheckBox(QStringLiteral("Operating system"));
        Window window(box);
        QVERIFY(window.exposed());
        QCOMPARE(box->size(), QSize(18, 18));
        QSignalSpy clicked(box, &QAbstractButton::clicked);
        QSignalSpy toggled(box, &QAbstractButton::toggled);
        QVERIFY(!box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.last().at(0).toBool(), true);
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(!box->isChecked());
        QCOMPARE(clicked.last().at(0).toBool(), false);
        // The caller's change is no click.
        box->setChecked(true);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(toggled.count(), 3);
        // Disabled, it ignores the user.
        box->setEnabled(false);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
        QCOMPARE(clicked.count(), 2);
    }

    void checkBoxLook_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<bool>("checked");
        QTest::newRow("clear, light") << ColorScheme::light << false;
        QTest::newRow("ticked, light") << ColorScheme::light << true;
        QTest::newRow("clear, dark") << ColorScheme::dark << false;
        QTest::newRow("ticked, dark") << ColorScheme::dark << true;
    }

    // Ticked: an accent square with a check mark in the colour on accent. Clear: a surface square
    // with an outline.
    void checkBoxLook() {
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, checked);
        CheckBox box;
        box.setChecked(checked);
        box.resize(box.sizeHint());
        const QImage image = test::render(&box, scheme);
        const QRectF inside = box.boxRect();
        // Near the square's top left corner, inside it: fill only, no check mark.
        const QPointF fillPoint = inside.topLeft() + QPointF(3, 3);
        if (checked) {
            FERNHOLM_COMPARE_COLOR(test::sample(image, fillPoint), Theme::accent.resolve(scheme), 3);
            FERNHOLM_COMPARE_COLOR(
                test::mostDistinct(image, inside.adjusted(4, 4, -4, -4), Theme::accent.resolve(scheme)),
                Theme::onAccent.resolve(scheme), 24);
        } else {
            FERNHOLM_COMPARE_COLOR(test::sample(image, fillPoint), Theme::surface.resolve(scheme), 3);
            const QColor edge = test::over(Theme::fieldEdge.resolve(scheme), Theme::surface.resolve(scheme));
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(inside.center().x(), inside.top() + 0.5)), edge, 6);
        }
    }

    void checkBoxAccessible() {
        auto* box = new CheckBox(QStringLiteral("Recent events (3, tokens only)"));
        Window window(box);
        QVERIFY(window.exposed());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::CheckBox);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Recent events (3, tokens only)"));
        QVERIFY(!accessible->state().checked);
        box->setChecked(true);
        QVERIFY(accessible->state().checked);
        QVERIFY(accessible->state().checkable);
    }

    // --- Disclosure ---

    void disclosureOpens() {
        auto* content = new test::Swatch(Theme::surface, QSize(100, 60));
        auto* disclosure = new Disclosure(QStringLiteral("Show exactly what is sent"), Fonts::sans(12), Theme::dim);
        disclosure->setContent(content);
        Window window(disclosure);
        QVERIFY(window.exposed());
        QSignalSpy opened(disclosure, &Disclosure::openChanged);

        // Closed at first: the label row only.
        QVERIFY(!disclosure->isOpen());
        QVERIFY(!content->isVisible());
        const int closedHeight = disclosure->height();
        QCOMPARE(closedHeight, disclosure->header()->height());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(disclosure->header());
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Show exactly what is sent"));
        QVERIFY(accessible->state().collapsed);
        QVERIFY(!accessible->state().expanded);

        QTest::mouseClick(disclosure->header(), Qt::LeftButton);
        QVERIFY(disclosure->isOpen());
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.last().at(0).toBool(), true);
        QVERIFY(content->isVisible());
        QTRY_COMPARE(disclosure->height(), closedHeight + 4 + 60);
        QCOMPARE(content->y(), closedHeight + 4);
        QCOMPARE(content->x(), 0);
        QVERIFY(accessible->state().expanded);
        QCOMPARE(static_cast<DisclosureHeader*>(disclosure->header())->turn(), 1.0);

        // The accessibility action closes it again.
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!disclosure->isOpen());
        QVERIFY(!content->isVisible());
        QTRY_COMPARE(disclosure->height(), closedHeight);
    }

    void disclosureLook_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }

    // The chevron and the label, in the colour given, the chevron pointing to the trailing side
    // while closed and down while open.
    void disclosureLook() {
        QFETCH(ColorScheme, scheme);
        Disclosure disclosure(QStringLiteral("Show exactly what is sent"), Fonts::sans(12), Theme::dim);
        disclosure.resize(disclosure.sizeHint().expandedTo(QSize(260, 0)));
        const QColor back = surfaceColor(scheme);
        const QColor dim = Theme::dim.resolve(scheme);
        const QImage closed = test::render(&disclosure, scheme, 4);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(closed, QRectF(20, 0, 80, disclosure.height()), back), dim, 24);
        FERNHOLM_COMPARE_COLOR(test::mostDistinct(closed, QRectF(0, 0, 9, disclosure.height()), back), dim, 40);

        // Pointing right, its tip is at mid-height and its arms reach up and down on the left;
        // pointing down, its tip is at the bottom middle. Compare the ink in the top right of the
        // chevron's square: present only when open.
        const qreal side = std::round(QFontInfo(Fonts::sans(12)).pixelSize() * 0.75);
        const QPointF square(0, Text::lineHeight(Fonts::sans(12)) / 2 - side / 2);
        const QRectF topRight = QRectF(0.75 * side, 0.3 * side, 0.15 * side, 0.12 * side).translated(square);
        const QRectF bottomLeft = QRectF(0.3 * side, 0.72 * side, 0.15 * side, 0.13 * side).translated(square);
        QVERIFY(!test::hasInk(closed, topRight, back));
        QVERIFY(test::hasInk(closed, bottomLeft, back));
        disclosure.setOpen(true);
        const QImage open = test::render(&disclosure, scheme, 4);
        QVERIFY(test::hasInk(open, topRight, back));
        QVERIFY(!test::hasInk(open, bottomLeft, back));
    }

    // All of them in both schemes, enlarged, for people to look at.
    void screenshot() {
        QWidget sheet;
        auto* column = new QVBoxLayout(&sheet);
        column->setContentsMargins(12, 12, 12, 12);
        column->setSpacing(10);
        auto* spinners = new QHBoxLayout;
        spinners->setSpacing(10);
        spinners->addWidget(new Spinner(Spinner::Size::small, Theme::faint));
        spinners->addWidget(new Spinner(Spinner::Size::smallest, Theme::ink));
        auto* ticked = new CheckBox;
        ticked->setChecked(true);
        spinners->addWidget(ticked);
        spinners->addWidget(new CheckBox);
        auto* disabled = new CheckBox;
        disabled->setChecked(true);
        disabled->setEnabled(false);
        spinners->addWidget(disabled);
        spinners->addStretch(1);
        column->addLayout(spinners);
        auto* placeholder =
            new PlainTextEditor(Fonts::sans(14), QStringLiteral("Paste the reply with [tokens] in it…"));
        placeholder->setFixedHeight(40);
        column->addWidget(placeholder);
        auto* editor = new PlainTextEditor(Fonts::sans(14));
        editor->setText(QStringLiteral("A text the user wrote,\nover two lines."));
        editor->setFixedHeight(44);
        column->addWidget(editor);
        auto* closed = new Disclosure(QStringLiteral("Show exactly what is sent"), Fonts::sans(12), Theme::dim);
        column->addWidget(closed);
        auto* open = new Disclosure(QStringLiteral("Show exactly what is sent"), Fonts::sans(12), Theme::dim);
        open->setContent(
            new SelectableText(QStringLiteral("10:21 claude [EMAIL_1] redacted"), Fonts::mono(11), Theme::dim));
        open->setOpen(true);
        column->addWidget(open);
        sheet.resize(300, sheet.sizeHint().height());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QVERIFY(!test::saveScreenshot(test::lightAndDark(&sheet, 3), QStringLiteral("formcontrols")).isEmpty());
    }

    // --- Selectable text's line spacing ---

    void selectableLineSpacing() {
        SelectableText plain(QStringLiteral("one\ntwo\nthree"), Fonts::mono(12), Theme::tokenChip);
        SelectableText spaced(QStringLiteral("one\ntwo\nthree"), Fonts::mono(12), Theme::tokenChip);
        spaced.setLineSpacing(3);
        const int extra = spaced.heightForWidth(300) - plain.heightForWidth(300);
        QVERIFY2(extra >= 2 * 3 && extra <= 3 * 3 + 1, qPrintable(QString::number(extra)));
        // It holds for a new text too.
        spaced.setText(QStringLiteral("a\nb\nc"));
        plain.setText(QStringLiteral("a\nb\nc"));
        QCOMPARE(spaced.heightForWidth(300) - plain.heightForWidth(300), extra);
    }
};

QTEST_MAIN(FormControlsTest)
#include "tst_formcontrols.moc"
