// Which window a notification click brings forward.
#include "FernholmApp/model/WindowActivator.h"

#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

using namespace fernholm;

class WindowActivatorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choice_data() {
        QTest::addColumn<QStringList>("windows"); // name:type[:shown]
        QTest::addColumn<QString>("chosen");      // the window brought forward, "" for none
        QTest::newRow("the one named main") << QStringList{"other:window:shown", "main:window"} << "main";
        QTest::newRow("else a normal window") << QStringList{"panel:tool", "normal:window"} << "normal";
        QTest::newRow("one on screen before a hidden one")
            << QStringList{"hidden:window", "shown:window:shown", "later:window"} << "shown";
        QTest::newRow("never a panel, popup or dialog")
            << QStringList{"panel:tool", "menu:popup", "dialog:dialog"} << "";
        QTest::newRow("no window") << QStringList{} << "";
    }
    void choice() {
        QFETCH(QStringList, windows);
        QFETCH(QString, chosen);
        std::vector<std::unique_ptr<QWidget>> made;
        QStringList expected; // on screen afterwards: the chosen one and those shown before
        for (const QString& spec : windows) {
            const QString name = spec.section(u':', 0, 0);
            const QString type = spec.section(u':', 1, 1);
            const Qt::WindowType flag = type == QLatin1String("tool")     ? Qt::Tool
                                        : type == QLatin1String("popup")  ? Qt::Popup
                                        : type == QLatin1String("dialog") ? Qt::Dialog
                                                                          : Qt::Window;
            made.push_back(std::make_unique<QWidget>(nullptr, flag));
            made.back()->setObjectName(name);
            const bool shown = spec.section(u':', 2, 2) == QLatin1String("shown");
            if (shown) {
                made.back()->show();
            }
            if (shown || name == chosen) {
                expected.append(name);
            }
        }
        WidgetWindowActivator activator;
        QCOMPARE(activator.activateMainWindow(), !chosen.isEmpty());
        QStringList shown;
        for (const auto& window : made) {
            if (window->isVisible()) {
                shown.append(window->objectName());
            }
        }
        QCOMPARE(shown, expected);
    }

    void aMinimisedWindowIsRestored() {
        QWidget window;
        window.setObjectName(QStringLiteral("main"));
        window.showMinimized();
        QVERIFY(window.isMinimized());
        QVERIFY(WidgetWindowActivator().activateMainWindow());
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(WindowActivatorTest)
#include "tst_windowactivator.moc"
