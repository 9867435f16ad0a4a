#include "FernholmApp/components/layout/SettingsRows.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

constexpr int rowInsetH = 22;
constexpr int rowInsetV = 16;

void growsForWidth(QWidget* widget) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
}

// Label at the leading edge, the trailing widget (if any) at the other, vertically centred.
QHBoxLayout* rowLayout(QWidget* row, SettingLabel* label, QWidget* trailing) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowInsetH, rowInsetV, rowInsetH, rowInsetV);
    layout->setSpacing(16);
    layout->addWidget(label, 1, Qt::AlignVCenter);
    if (trailing) {
        layout->addWidget(trailing, 0, Qt::AlignVCenter);
    }
    return layout;
}

} // namespace

SettingLabel::SettingLabel(const QString& title, const std::optional<QString>& detail, QWidget* parent)
    : QWidget(parent) {
    growsForWidth(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    m_title = new TextLabel(title, Fonts::sans(14, 500), Theme::ink);
    growsForWidth(m_title);
    column->addWidget(m_title);
    m_detail = new TextLabel(QString(), Fonts::sans(13, 400), Theme::dim);
    growsForWidth(m_detail);
    column->addWidget(m_detail);
    setDetail(detail);
}

void SettingLabel::setDetail(const std::optional<QString>& detail) {
    m_detail->setText(detail.value_or(QString()));
    m_detail->setVisible(detail.has_value());
}

RowSymbol::RowSymbol(const QString& name, qreal size, IconWeight weight, const ThemeColor& color, QWidget* parent)
    : QWidget(parent), m_name(name), m_size(size), m_weight(weight), m_color(color) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
}

void RowSymbol::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Icons::paint(painter, m_name, QRectF(0, 0, m_size, m_size), m_weight, m_color.on(this));
}

SettingRow::SettingRow(const QString& title, const std::optional<QString>& detail, QWidget* control,
                       QWidget* parent)
    : QWidget(parent), m_label(new SettingLabel(title, detail)), m_control(control) {
    growsForWidth(this);
    rowLayout(this, m_label, m_control);
}

LinkRow::LinkRow(const QString& title, const std::optional<QString>& detail, QWidget* parent)
    : QAbstractButton(parent), m_label(new SettingLabel(title, detail)),
      m_arrow(new RowSymbol(QStringLiteral("arrow.right"), 13, IconWeight::regular, Theme::faint)) {
    growsForWidth(this);
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    // The row takes every click, wherever it lands.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_arrow->setAttribute(Qt::WA_TransparentForMouseEvents);
    rowLayout(this, m_label, m_arrow);
    m_fade = new QGraphicsOpacityEffect(this);
    m_fade->setOpacity(0.5);
    m_fade->setEnabled(false);
    setGraphicsEffect(m_fade);
}

qreal LinkRow::drawnOpacity() const {
    return isEnabled() ? 1.0 : 0.5;
}

void LinkRow::paintEvent(QPaintEvent*) {
    if (!FocusRing::visible(this)) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    FocusRing::paint(painter, QRectF(rect()), 8, Theme::ink.on(this), 4);
}

void LinkRow::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        m_fade->setEnabled(!isEnabled());
    }
}

void LinkRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

SettingsSection::SettingsSection(const QString& title, QWidget* parent) : QWidget(parent) {
    growsForWidth(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_title = new SectionLabel(title, Theme::faint);
    column->addWidget(m_title, 0, Qt::AlignLeft);
    m_card = cardSurface(Theme::cardRadius, Theme::surface);
    growsForWidth(m_card);
    column->addWidget(m_card);
}

void SettingsSection::addRow(QWidget* row) {
    if (!m_rows.isEmpty()) {
        auto* divider = new RowDivider;
        m_dividers.append(divider);
        m_card->body()->addWidget(divider);
    }
    m_rows.append(row);
    m_shown.append(true);
    m_card->body()->addWidget(row);
    placeDividers();
}

void SettingsSection::setRowShown(QWidget* row, bool shown) {
    const qsizetype index = m_rows.indexOf(row);
    if (index < 0 || m_shown.at(index) == shown) {
        return;
    }
    m_shown[index] = shown;
    row->setVisible(shown);
    placeDividers();
}

QList<QWidget*> SettingsSection::shownRows() const {
    QList<QWidget*> rows;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_shown.at(i)) {
            rows.append(m_rows.at(i));
        }
    }
    return rows;
}

QList<QWidget*> SettingsSection::shownDividers() const {
    QList<QWidget*> dividers;
    for (QWidget* divider : m_dividers) {
        if (!divider->isHidden()) {
            dividers.append(divider);
        }
    }
    return dividers;
}

void SettingsSection::placeDividers() {
    // A divider stands between two shown rows only.
    bool anyAbove = !m_shown.isEmpty() && m_shown.first();
    for (qsizetype i = 0; i < m_dividers.size(); ++i) {
        const bool rowShown = m_shown.at(i + 1);
        m_dividers.at(i)->setVisible(rowShown && anyAbove);
        anyAbove = anyAbove || rowShown;
    }
}

} // namespace fernholm
