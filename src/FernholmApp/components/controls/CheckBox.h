#pragma once

#include <QAbstractButton>

namespace fernholm {

// A check box drawn from the theme, without a text of its own: a 16 px rounded square, outlined
// in Theme::fieldEdge on Theme::surface when clear, filled with Theme::accent and a check mark in
// Theme::onAccent when ticked. The caller lays its own label beside it and names it for
// accessibility:
//
//     auto* box = new CheckBox(item.title, row);            // the accessible name
//     box->setChecked(form->isIncluded(item.key));
//     connect(box, &QAbstractButton::clicked, row, [=](bool on) { form->setIncluded(item.key, on); });
//
// It is an ordinary checkable button: a click or Space flips it and emits toggled() and clicked();
// setChecked() flips it and emits toggled() only. Disabled, it is drawn at 40 % and ignores
// clicks; pressed, at 75 %. The whole widget (18 x 18, the box centred) takes clicks. Accessible as
// a check box named by its label, with the checked state.
class CheckBox : public QAbstractButton {
    Q_OBJECT
public:
    explicit CheckBox(const QString& label = QString(), QWidget* parent = nullptr);

    // The accessible name (accessibleName()).
    QString label() const { return accessibleName(); }
    void setLabel(const QString& label) { setAccessibleName(label); }

    static constexpr qreal boxSide = 16;
    // Where the box is drawn, in widget coordinates.
    QRectF boxRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace fernholm
