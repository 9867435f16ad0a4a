#pragma once

#include <QWidget>

namespace fernholm {

// The line between two rows of a list card: the full width, 1 px high, in Theme::line.
class RowDivider : public QWidget {
    Q_OBJECT
public:
    explicit RowDivider(QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(0, 1); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace fernholm
