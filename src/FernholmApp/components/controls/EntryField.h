#pragma once

#include "FernholmApp/theme/Appearance.h"

#include <QLineEdit>

#include <optional>

namespace fernholm {

// A one-line text entry drawn from the theme: Theme::surface in a rounded rectangle of
// Theme::fieldRadius with a 1-px Theme::fieldEdge stroke inside it, the text in sans 14/400 in
// Theme::ink, inset 14 at both sides, 40 high; the placeholder in Theme::faint while it is empty.
//
//     auto* field = new EntryField(fernholm::tr("Add a value…"));
//     connect(field, &QLineEdit::returnPressed, this, &MyCard::add);
//
// It is an ordinary QLineEdit otherwise (textChanged, returnPressed, selection, undo); only the
// look is ours. The width is left to the layout (setFixedWidth for a narrow one).
class EntryField : public QLineEdit {
    Q_OBJECT
public:
    explicit EntryField(const QString& placeholder = QString(), QWidget* parent = nullptr);

    static constexpr int fieldHeight = 40;
    static constexpr int textInset = 14;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void syncPalette();

    std::optional<ColorScheme> m_paletteScheme;
};

} // namespace fernholm
