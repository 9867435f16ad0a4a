#include "FernholmApp/components/layout/RowDivider.h"

#include "FernholmApp/theme/Theme.h"

#include <QPainter>

namespace fernholm {

RowDivider::RowDivider(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

void RowDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::line.on(this));
}

} // namespace fernholm
