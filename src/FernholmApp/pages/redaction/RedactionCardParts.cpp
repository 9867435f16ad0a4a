#include "FernholmApp/pages/redaction/RedactionCardParts.h"

#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

// The lock of an organisation line, drawn at its symbol size and centred in its box.
class LockMark : public QWidget {
public:
    explicit LockMark(QWidget* parent = nullptr) : QWidget(parent) {
        setFixedSize(12, 12);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(QRectF(rect()).center() - QPointF(5.5, 5.5), QSizeF(11, 11));
        Icons::paint(painter, QStringLiteral("lock"), box, IconWeight::regular, Theme::faint.on(this));
    }
};

} // namespace

QWidget* cardTitle(const QString& title, const QString& subtitle, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    auto* heading = new TextLabel(title, Fonts::sans(15, 600), Theme::ink);
    heading->setHeading(true);
    column->addWidget(heading);
    column->addWidget(new TextLabel(subtitle, Fonts::sans(13), Theme::dim));
    return block;
}

OrgLine::OrgLine(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new LockMark, 0, Qt::AlignVCenter);
    m_label = new TextLabel(QString(), Fonts::sans(12), Theme::faint);
    row->addWidget(m_label, 1, Qt::AlignVCenter);
}

QString OrgLine::text() const {
    return m_label->text();
}

void OrgLine::setText(const QString& text) {
    m_label->setText(text);
}

LabelChip::LabelChip(const QString& text, const ThemeColor& fill, QWidget* parent)
    : QWidget(parent), m_text(text), m_fill(fill) {
    setFont(Fonts::mono(11, 500));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void LabelChip::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void LabelChip::setFill(const ThemeColor& fill) {
    if (fill == m_fill) {
        return;
    }
    m_fill = fill;
    update();
}

QSize LabelChip::sizeHint() const {
    const qreal width = Text::size(m_text, font(), QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
    return QSize(int(std::ceil(width + 2 * paddingH - 1e-6)),
                 int(std::ceil(Text::lineHeight(font()) + 2 * paddingV - 1e-6)));
}

void LabelChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint::fill(painter, Paint::roundedRect(QRectF(rect()), radius), m_fill.on(this));
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal line = Text::lineHeight(font());
    const QRectF text(paddingH, (height() - line) / 2, width() - 2 * paddingH, line);
    Text::draw(painter, text, m_text, font(), Theme::fixed(0xFFFFFF).on(this), {1, 0, Qt::AlignLeft});
}

} // namespace fernholm
