#include "FernholmApp/studio/StudioDialogs.h"

#include "FernholmKit/text/L10n.h"

#include <QFileDialog>
#include <QMessageBox>

namespace fernholm {

void SystemStudioDialogs::askSavePath(QWidget* parent, const QString& fileName, SavePathAnswer answer) {
    auto* dialog = new QFileDialog(parent, tr("Save Document"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(fileName);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, answer = std::move(answer)](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) {
            answer(std::nullopt);
            return;
        }
        answer(chosen.first());
    });
    dialog->open();
}

void SystemStudioDialogs::showSaveError(QWidget* parent, const QString& message, const QString& detail) {
    auto* box = new QMessageBox(QMessageBox::Warning, QString(), message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(detail);
    box->open();
}

std::optional<QString> SystemStudioDialogs::chooseFile(QWidget* parent) {
    // The web engine asks for the answer synchronously, so this one dialog runs its own loop.
    QFileDialog dialog(parent, tr("Choose a File"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

} // namespace fernholm
