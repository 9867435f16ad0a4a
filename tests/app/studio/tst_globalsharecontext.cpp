// The studio module is loaded after the application object exists, so the program hands the web
// engine its OpenGL share context through QtGui's private setter. Qt keeps no promise about
// private functions between versions: this fails on any Qt but the one the hand-over was written
// and checked for, so that an upgrade looks at it again, and checks that the setter still does
// what the hand-over relies on.

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QTest>

Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

class GlobalShareContextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theHandOverWasCheckedAgainstThisQt() {
        // Built and run against the same minor version, the one checked.
        QCOMPARE(QT_VERSION_MAJOR, 6);
        QCOMPARE(QT_VERSION_MINOR, 4);
        QCOMPARE(QString::fromLatin1(qVersion()).section(u'.', 0, 1), QStringLiteral("6.4"));
    }

    void thePrivateSetterSetsWhatQtHandsTheWebEngine() {
        QCOMPARE(QOpenGLContext::globalShareContext(), nullptr);
        QOpenGLContext context;
        qt_gl_set_global_share_context(&context);
        QCOMPARE(QOpenGLContext::globalShareContext(), &context);
        qt_gl_set_global_share_context(nullptr);
        QCOMPARE(QOpenGLContext::globalShareContext(), nullptr);
    }
};

QTEST_MAIN(GlobalShareContextTest)

#include "tst_globalsharecontext.moc"
