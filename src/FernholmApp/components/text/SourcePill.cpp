#include "FernholmApp/components/text/SourcePill.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmKit/text/Graphemes.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal padH = 7;
constexpr qreal padV = 2;

QFont pillFont() {
    return Fonts::sans(10, 500);
}

// Each run of non-blank characters with its first character upper-case and the rest lower-case.
QString capitalizedWords(const QString& text) {
    QString out;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && !text.at(end).isSpace()) {
            ++end;
        }
        if (end > pos) {
            out += graphemes::capitalizedFirst(text.mid(pos, end - pos).toLower());
        }
        while (end < text.size() && text.at(end).isSpace()) {
            out += text.at(end++);
        }
        pos = end;
    }
    return out;
}

} // namespace

SourcePill::SourcePill(const QString& detectedBy, QWidget* parent) : QWidget(parent), m_source(detectedBy) {
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setAccessibleName(label());
}

void SourcePill::setDetectedBy(const QString& detectedBy) {
    if (detectedBy == m_source) {
        return;
    }
    m_source = detectedBy;
    setAccessibleName(label());
    updateGeometry();
    update();
}

QString SourcePill::labelFor(const QString& detectedBy) {
    if (detectedBy == QLatin1String("model")) {
        return fernholm::tr(QStringLiteral("Model"));
    }
    if (detectedBy == QLatin1String("rules")) {
        return fernholm::tr(QStringLiteral("Rules"));
    }
    if (detectedBy == QLatin1String("second_pass")) {
        return fernholm::tr(QStringLiteral("Sweep"));
    }
    return capitalizedWords(detectedBy);
}

ThemeColor SourcePill::colorFor(const QString& detectedBy) {
    return detectedBy == QLatin1String("model") ? Theme::ink : Theme::dim;
}

QString SourcePill::label() const {
    return labelFor(m_source);
}

ThemeColor SourcePill::color() const {
    return colorFor(m_source);
}

QSize SourcePill::sizeHint() const {
    const QFontMetricsF metrics(pillFont());
    return QSize(int(std::ceil(metrics.horizontalAdvance(label()) + 2 * padH)),
                 int(std::ceil(metrics.height() + 2 * padV)));
}

QSize SourcePill::minimumSizeHint() const {
    return QSize(int(2 * padH), sizeHint().height());
}

void SourcePill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = color().on(this);
    const QRectF box(0, 0, width(), sizeHint().height());
    Paint::fill(painter, Paint::capsule(box), color().opacity(0.1).on(this));
    painter.setFont(pillFont());
    painter.setPen(ink);
    const QRectF text = box.adjusted(padH, padV, -padH, -padV);
    const QString shown = QFontMetricsF(pillFont()).elidedText(label(), Qt::ElideRight, text.width() + 0.5);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void SourcePill::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        setAccessibleName(label());
        updateGeometry();
        update();
    }
    QWidget::changeEvent(event);
}

} // namespace fernholm
