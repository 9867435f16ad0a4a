#include "FernholmApp/components/activity/StatusWidgets.h"

#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"

#include <QBoxLayout>
#include <QPainter>

namespace fernholm {

StateDot::StateDot(qreal diameter, qreal halo, const ThemeColor& color, QWidget* parent)
    : QWidget(parent), m_diameter(diameter), m_halo(halo), m_color(color) {
    const int side = int(std::ceil(diameter + 2 * halo));
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StateDot::setColor(const ThemeColor& color) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    update();
}

void StateDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    if (m_halo > 0) {
        painter.setBrush(m_color.opacity(0.18).on(this));
        const qreal r = m_diameter / 2 + m_halo;
        painter.drawEllipse(centre, r, r);
    }
    painter.setBrush(m_color.on(this));
    painter.drawEllipse(centre, m_diameter / 2, m_diameter / 2);
}

namespace {

// The provider's mark centred on a white disc, always in the light scheme.
class MarkDisc : public QWidget {
public:
    MarkDisc(const QString& name, QWidget* parent) : QWidget(parent) {
        setFixedSize(20, 20);
        auto* logo = new ProviderLogo(name, 13, this);
        Appearance::force(this, ColorScheme::light);
        const QSize hint = logo->sizeHint();
        logo->setGeometry((20 - hint.width()) / 2, (20 - hint.height()) / 2, hint.width(), hint.height());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(rect()));
    }
};

} // namespace

ProviderChip::ProviderChip(const QString& name, const QString& displayName, const ThemeColor& dotColor,
                           QWidget* parent)
    : QWidget(parent), m_name(name) {
    setFixedHeight(32);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 0, 14, 0);
    row->setSpacing(8);
    row->addWidget(new MarkDisc(name, this), 0, Qt::AlignVCenter);
    m_label = new TextLabel(displayName, Fonts::sans(13, 400), Theme::heroInk, this);
    m_label->setMaxLines(1);
    row->addWidget(m_label, 0, Qt::AlignVCenter);
    m_dot = new StateDot(6, 0, dotColor, this);
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    setAccessibleName(displayName);
}

QString ProviderChip::displayName() const {
    return m_label->text();
}

void ProviderChip::setDisplayName(const QString& displayName) {
    m_label->setText(displayName);
    setAccessibleName(displayName);
}

void ProviderChip::setDotColor(const ThemeColor& color) {
    m_dot->setColor(color);
}

void ProviderChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint::fill(painter, Paint::capsule(QRectF(rect())), Theme::heroChip.on(this));
}

VerticalLine::VerticalLine(QWidget* parent) : QWidget(parent) {
    setFixedWidth(1);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void VerticalLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::line.on(this));
}

SymbolView::SymbolView(const QString& name, qreal size, const ThemeColor& color, QWidget* parent)
    : QWidget(parent), m_name(name), m_size(size), m_color(color) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Icons::paint(painter, m_name, QRectF(0, 0, m_size, m_size), IconWeight::light, m_color.on(this));
}

void arrangeWidgets(QBoxLayout* layout, const QList<QWidget*>& widgets) {
    // Moves only what is out of place: a row added at the top is one insertion, not a refill.
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        QWidget* wanted = widgets.at(i);
        QLayoutItem* item = layout->itemAt(int(i));
        if (item && item->widget() == wanted) {
            continue;
        }
        if (layout->indexOf(wanted) >= 0) {
            layout->removeWidget(wanted);
        }
        layout->insertWidget(int(i), wanted);
    }
    while (layout->count() > widgets.size()) {
        QLayoutItem* item = layout->takeAt(layout->count() - 1);
        delete item;
    }
}

} // namespace fernholm
