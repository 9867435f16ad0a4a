#pragma once

#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/BrowserNotices.h"

#include <QWidget>

namespace fernholm {

class SelectableText;

// One line of the setup page's browsers card: the symbol of the row's kind (12 light, in a box 14
// wide, 2 below the top) and the row's text (sans 13/400, wrapping, selectable), 8 apart and
// aligned at the top. A warning row draws its symbol in Theme::warningInk and its text in
// Theme::ink; any other row both in Theme::dim.
class BrowserRowLine : public QWidget {
    Q_OBJECT
public:
    explicit BrowserRowLine(const BrowserSetupRow& row, QWidget* parent = nullptr);

    const BrowserSetupRow& row() const { return m_row; }
    void setRow(const BrowserSetupRow& row);

    bool isWarning() const;
    QString iconName() const;
    ThemeColor iconColor() const;
    // Where the symbol is drawn, in the line's coordinates.
    QRectF iconRect() const;
    SelectableText* textView() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BrowserSetupRow m_row;
    SelectableText* m_text = nullptr;
};

} // namespace fernholm
