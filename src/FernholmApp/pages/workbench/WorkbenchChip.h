#pragma once

#include "FernholmKit/presentation/Workbench.h"

#include <QAbstractButton>

#include <optional>

namespace fernholm {

// One found or shown value under the workbench's cards, as a capsule button on Theme::surface
// outlined in Theme::hairline:
//
//   a value behind a token:  [eye.slash] type name  value  → [TOKEN]      (tinted Theme::token)
//   a value shown to the AI: [eye]       value  Shown                      (tinted Theme::green)
//
// The type name reads "Hidden by you" for a value the user hid. The value is cut in the middle
// beyond 220 px. The hover help says what a click does; the page decides what it does.
class WorkbenchChip : public QAbstractButton {
    Q_OBJECT
public:
    WorkbenchChip(const WorkbenchItem& item, bool hiddenByUser, QWidget* parent = nullptr);

    const WorkbenchItem& item() const { return m_item; }
    bool isHiddenByUser() const { return m_hiddenByUser; }
    void setItem(const WorkbenchItem& item, bool hiddenByUser);

    // What the chip shows, part by part.
    QString symbol() const;
    std::optional<QString> caption() const; // the type name or "Hidden by you"; none when shown
    QString shownValue() const;             // the value, cut in the middle when too wide
    QString trailingText() const;           // the token, or "Shown"

    static constexpr qreal maximumValueWidth = 220;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    struct Part {
        QString text;
        QFont font;
        qreal width = 0;
    };
    // The text parts after the symbol, in order, with their drawn widths.
    QList<Part> parts() const;
    void changed();

    WorkbenchItem m_item;
    bool m_hiddenByUser = false;
};

} // namespace fernholm
