#pragma once

#include <QString>

#include <memory>

namespace fernholm {

// Where the copy buttons put text: the system's clipboard, or a recording fake in tests.
//
//     clipboard->copyPlainText(result.afterText);   // clear, then the text as plain text
//
// A copy replaces everything the clipboard held, so that no richer format of an earlier copy
// (an image, rich text with the real values in it) is pasted instead of the text. Writes are not
// checked: the clipboard has no failures to report.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Empties the clipboard.
    virtual void clear() = 0;
    // Puts `text` on the clipboard as plain text.
    virtual void setText(const QString& text) = 0;

    // clear(), then setText(text).
    void copyPlainText(const QString& text);

    // The desktop's clipboard (not the X11 primary selection).
    static std::shared_ptr<Clipboard> system();
};

} // namespace fernholm
