#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QColor>
#include <QCoreApplication>
#include <QPainter>
#include <QWidget>

namespace fernholm::test {

// A widget of a fixed size hint that fills itself with one theme colour: content whose pixels
// are known.
class Swatch : public QWidget {
public:
    explicit Swatch(const ThemeColor& color, QSize hint = QSize(40, 40), QWidget* parent = nullptr)
        : QWidget(parent), m_color(color), m_hint(hint) {}

    QSize sizeHint() const override { return m_hint; }
    void setHint(QSize hint) {
        m_hint = hint;
        updateGeometry();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), m_color.on(this));
    }

private:
    ThemeColor m_color;
    QSize m_hint;
};

// Delivers the layout requests and resizes that travel up and down a widget tree.
inline void settle() {
    for (int i = 0; i < 6; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// `top` drawn over the opaque `bottom`.
inline QColor over(const QColor& top, const QColor& bottom) {
    const qreal a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)));
}

} // namespace fernholm::test
