#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace fernholm {

// The panels the studio opens for its page. The save question and the error notice never block:
// they answer later. The page's file chooser waits for its answer, as the web engine asks for it.
class StudioDialogs {
public:
    using SavePathAnswer = std::function<void(std::optional<QString> path)>;

    virtual ~StudioDialogs() = default;

    // Where a document goes; the name field holds `fileName`. Nothing when the user cancels.
    virtual void askSavePath(QWidget* parent, const QString& fileName, SavePathAnswer answer) = 0;
    // A document could not be written: `message` says which, `detail` is the system's reason.
    virtual void showSaveError(QWidget* parent, const QString& message, const QString& detail) = 0;
    // One file for the page's file input, or nothing when the user cancels.
    virtual std::optional<QString> chooseFile(QWidget* parent) = 0;
};

// The desktop's file dialogs and a warning box.
class SystemStudioDialogs : public StudioDialogs {
public:
    void askSavePath(QWidget* parent, const QString& fileName, SavePathAnswer answer) override;
    void showSaveError(QWidget* parent, const QString& message, const QString& detail) override;
    std::optional<QString> chooseFile(QWidget* parent) override;
};

} // namespace fernholm
