#pragma once

#include <QWebEnginePage>

#include <functional>

class QWidget;

namespace fernholm {

class StudioDialogs;

// The studio's web page: it goes only where `allow` says, in the main frame and in every
// sub-frame, and its file input takes one existing file, never a folder.
class StudioPage : public QWebEnginePage {
    Q_OBJECT
public:
    using Allow = std::function<bool(const QUrl&)>;
    using DialogParent = std::function<QWidget*()>;

    StudioPage(QWebEngineProfile* profile, Allow allow, StudioDialogs& dialogs, DialogParent dialogParent,
               QObject* parent = nullptr);

    // Public so the policy can be asked directly; the web engine calls them as well.
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;

protected:
    // The page's console is its own business: the application writes no log of it.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    Allow m_allow;
    StudioDialogs& m_dialogs;
    DialogParent m_dialogParent;
};

} // namespace fernholm
