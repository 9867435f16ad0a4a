#include "FernholmApp/studio/StudioPage.h"

#include "FernholmApp/studio/StudioDialogs.h"

#include <QFileInfo>

namespace fernholm {

StudioPage::StudioPage(QWebEngineProfile* profile, Allow allow, StudioDialogs& dialogs, DialogParent dialogParent,
                       QObject* parent)
    : QWebEnginePage(profile, parent), m_allow(std::move(allow)), m_dialogs(dialogs),
      m_dialogParent(std::move(dialogParent)) {}

bool StudioPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    return m_allow(url);
}

void StudioPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) {}

QStringList StudioPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) {
    const std::optional<QString> chosen = m_dialogs.chooseFile(m_dialogParent());
    if (!chosen) {
        return {};
    }
    // Whatever the dialog let through, the page gets one file that exists, and no folder.
    const QFileInfo file(*chosen);
    if (!file.isFile()) {
        return {};
    }
    return {file.absoluteFilePath()};
}

} // namespace fernholm
