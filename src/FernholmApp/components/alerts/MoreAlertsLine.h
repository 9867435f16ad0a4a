#pragma once

#include <QWidget>

namespace fernholm {

class TextLabel;

// The line under a list of warnings that counts those left out: "1 more needs attention",
// "{n} more need attention" (with the Polish plural forms), sans 13 in `dim`, 4 px in from the
// leading edge. Show it only for a count of at least 1.
//
//     auto* more = new MoreAlertsLine(layout.moreWarnings, this);
class MoreAlertsLine : public QWidget {
    Q_OBJECT
public:
    explicit MoreAlertsLine(int count, QWidget* parent = nullptr);

    int count() const { return m_count; }
    void setCount(int count);

    QString text() const;
    TextLabel* label() const { return m_label; }

private:
    int m_count = 0;
    TextLabel* m_label;
};

} // namespace fernholm
