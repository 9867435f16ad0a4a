#include "FernholmApp/model/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace fernholm {

namespace {

class SystemClipboard final : public Clipboard {
public:
    void clear() override {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) {
            clipboard->clear(QClipboard::Clipboard);
        }
    }
    void setText(const QString& text) override {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) {
            clipboard->setText(text, QClipboard::Clipboard);
        }
    }
};

} // namespace

void Clipboard::copyPlainText(const QString& text) {
    clear();
    setText(text);
}

std::shared_ptr<Clipboard> Clipboard::system() {
    static const std::shared_ptr<Clipboard> shared = std::make_shared<SystemClipboard>();
    return shared;
}

} // namespace fernholm
