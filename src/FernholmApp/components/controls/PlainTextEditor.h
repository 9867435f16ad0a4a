#pragma once

#include "FernholmApp/theme/Appearance.h"

#include <QPlainTextEdit>

#include <optional>

namespace fernholm {

// A multi-line editor of plain text in the theme's colours, with no background or frame of its
// own (it lies on whatever box the caller draws round it): the text in Theme::ink, the selection
// and the slim scroll bar from the theme, in the widget's scheme (light, dark or forced).
//
// The placeholder shows while the text is empty, zero characters: a space or a line break counts
// as text and hides it. It is drawn in Theme::faint where the text would start, wraps like the
// text, and is only drawn: clicks on it go to the editor.
//
//     auto* editor = new PlainTextEditor(Fonts::sans(15), fernholm::tr("Paste or write what you want to ask…"));
//     editor->setMinimumHeight(230);
//     connect(editor, &PlainTextEditor::textEdited, workbench, &WorkbenchSession::setPromptText);
//     connect(workbench, &WorkbenchSession::promptTextChanged, editor,
//             [=] { editor->setText(workbench->promptText()); });
//
// The text starts 5 px in from the left and right edges and at the top edge. textEdited() is
// emitted for every change the user makes (typing, paste, cut, undo), never for setText(), which
// also leaves an equal text (and so the cursor and the undo history) alone. Tab moves the focus on.
//
// Height: by default the preferred height is a few lines, or the minimum height when that is more,
// and the editor scrolls its text.
// With setFitsContent(true) it asks for the height its text takes at its width, between its
// minimum and maximum height, and scrolls only beyond the maximum.
class PlainTextEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PlainTextEditor(const QFont& font, const QString& placeholder = QString(), QWidget* parent = nullptr);

    QString text() const { return toPlainText(); }
    // Shows `text` unless the editor holds it already; emits no textEdited().
    void setText(const QString& text);

    QString placeholder() const { return placeholderText(); }
    void setPlaceholder(const QString& placeholder) { setPlaceholderText(placeholder); }
    // Whether the placeholder is drawn now.
    bool showsPlaceholder() const { return !placeholderText().isEmpty() && document()->isEmpty(); }

    bool fitsContent() const { return m_fitsContent; }
    void setFitsContent(bool fits);

    // Left and right of the text, and above it.
    static constexpr int textInset = 5;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void textEdited(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The height of the laid-out text with the insets, counted no further than `limit`.
    int contentHeight(int limit) const;
    void syncPalette();

    bool m_fitsContent = false;
    bool m_settingText = false;
    int m_lastWidth = -1;
    std::optional<ColorScheme> m_paletteScheme;
};

} // namespace fernholm
