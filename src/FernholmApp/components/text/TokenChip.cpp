#include "FernholmApp/components/text/TokenChip.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace fernholm {

TokenChip::TokenChip(const QString& token, qreal fontSize, QWidget* parent)
    : QWidget(parent), m_token(token), m_fontSize(fontSize) {
    setFont(Fonts::mono(fontSize, 400));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setAccessibleName(token);
}

void TokenChip::setToken(const QString& token) {
    if (token == m_token) {
        return;
    }
    m_token = token;
    setAccessibleName(token);
    updateGeometry();
    update();
}

TokenChip::Metrics TokenChip::metrics(qreal fontSize) {
    return fontSize > 11 ? Metrics{8, 3, 6} : Metrics{6, 2, 5};
}

QSize TokenChip::sizeHint() const {
    const Metrics m = metrics(m_fontSize);
    const QSizeF text(Text::size(m_token, font(), QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width(),
                      Text::lineHeight(font()));
    return QSize(int(std::ceil(text.width() + 2 * m.paddingH - 1e-6)),
                 int(std::ceil(text.height() + 2 * m.paddingV - 1e-6)));
}

QSize TokenChip::minimumSizeHint() const {
    const Metrics m = metrics(m_fontSize);
    const qreal ellipsis = Text::size(QStringLiteral("…"), font(), QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
    return QSize(std::min(sizeHint().width(), int(std::ceil(ellipsis + 2 * m.paddingH - 1e-6))), sizeHint().height());
}

void TokenChip::paintEvent(QPaintEvent*) {
    const Metrics m = metrics(m_fontSize);
    QPainter painter(this);
    Paint::fill(painter, Paint::roundedRect(QRectF(rect()), m.radius), Theme::tokenChipBg.on(this));
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF text = QRectF(rect()).adjusted(m.paddingH, 0, -m.paddingH, 0);
    const qreal top = (height() - Text::lineHeight(font())) / 2;
    Text::draw(painter, QRectF(text.left(), top, text.width(), Text::lineHeight(font())), m_token, font(),
               Theme::tokenChip.on(this), {1, 0, Qt::AlignLeft});
}

} // namespace fernholm
