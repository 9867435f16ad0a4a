#include "FernholmKit/presentation/AppTab.h"

#include <QSet>
#include <QTest>

using namespace fernholm;

class AppTabTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void caseOrder() {
        const QList<AppTab> expected{AppTab::home, AppTab::activity,     AppTab::providers, AppTab::redaction,
                                     AppTab::test, AppTab::testDocument, AppTab::setup,     AppTab::settings};
        const QList<AppTab> listed(allAppTabs.begin(), allAppTabs.end());
        QCOMPARE(listed, expected);
        QCOMPARE(QSet<AppTab>(listed.begin(), listed.end()).size(), 8);
        for (qsizetype i = 1; i < listed.size(); ++i) {
            QVERIFY(listed[i - 1] < listed[i]); // the declaration order is the page order
        }
    }
};

QTEST_GUILESS_MAIN(AppTabTest)
#include "tst_apptab.moc"
