#pragma once

#include <QAbstractButton>

namespace fernholm {

// The small cross that takes one entry out of a list: the "xmark" symbol at 10 px, medium, in
// Theme::faint, in a 22 x 22 frame whose inscribed circle is the click target. No background;
// hovering darkens the cross to Theme::ink. Accessible as a button named "Remove {value}".
//
//     auto* remove = new RemoveButton(value);
//     connect(remove, &QAbstractButton::clicked, this, [=] { removeAt(indexOf(chip)); });
class RemoveButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit RemoveButton(const QString& value, QWidget* parent = nullptr);

    static constexpr int side = 22;

    QString value() const { return m_value; }
    // Names the button after another value (a row reused for another entry).
    void setValue(const QString& value);

    QSize sizeHint() const override { return QSize(side, side); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_value;
};

} // namespace fernholm
