#include "FernholmApp/components/activity/EntitiesGrid.h"

#include "FernholmApp/components/text/ElidedText.h"
#include "FernholmApp/components/text/SourcePill.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenText.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>

namespace fernholm {

namespace {

constexpr int padding = 14;
constexpr int headerBottom = 2;

QStringList headerTexts() {
    return {fernholm::tr(QStringLiteral("Entity")), fernholm::tr(QStringLiteral("Source")),
            fernholm::tr(QStringLiteral("Value")), fernholm::tr(QStringLiteral("Sent to model")),
            fernholm::tr(QStringLiteral("Confidence"))};
}

} // namespace

EntitiesGrid::EntitiesGrid(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(padding, padding, padding, padding);
    m_grid->setHorizontalSpacing(10);
    m_grid->setVerticalSpacing(8);
    m_grid->setColumnMinimumWidth(0, entityWidth);
    m_grid->setColumnMinimumWidth(1, sourceWidth);
    m_grid->setColumnMinimumWidth(3, tokenWidth);
    m_grid->setColumnStretch(2, 1);
    m_grid->setColumnStretch(4, 1);
    const QStringList texts = headerTexts();
    const int widths[] = {entityWidth, sourceWidth, 0, tokenWidth, 0};
    for (int column = 0; column < 5; ++column) {
        auto* label = new TextLabel(texts[column], Fonts::sans(11, 500), Theme::dim, this);
        label->setMaxLines(1);
        label->setAlignment(column == 4 ? Qt::AlignRight : Qt::AlignLeft);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        label->setFixedHeight(label->sizeHint().height() + headerBottom);
        if (widths[column] > 0) {
            label->setFixedWidth(widths[column]);
        }
        m_headers.append(label);
        m_grid->addWidget(label, 0, column);
    }
}

void EntitiesGrid::setEntries(const QList<DetectionDetail>& entries) {
    if (entries == m_entries) {
        return;
    }
    m_entries = entries;
    rebuild();
}

void EntitiesGrid::rebuild() {
    for (const QList<QWidget*>& row : std::as_const(m_cells)) {
        for (QWidget* cell : row) {
            m_grid->removeWidget(cell);
            delete cell;
        }
    }
    m_cells.clear();
    int row = 1;
    for (const DetectionDetail& entry : std::as_const(m_entries)) {
        QList<QWidget*> cells;

        auto* entity = new TextLabel(entry.entityType, Fonts::sans(11, 500), Theme::ink, this);
        entity->setMaxLines(1);
        entity->setFixedWidth(entityWidth);
        cells.append(entity);

        auto* source = new SourcePill(entry.detectedBy, this);
        source->setMaximumWidth(sourceWidth);
        cells.append(source);

        auto* value = new ElidedText(midTruncate(entry.value, 6, 6), Fonts::sans(11), Theme::ink, Qt::ElideMiddle, this);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        cells.append(value);

        auto* sent = new QWidget(this);
        sent->setFixedWidth(tokenWidth);
        auto* sentRow = new QHBoxLayout(sent);
        sentRow->setContentsMargins(0, 0, 0, 0);
        sentRow->setSpacing(6);
        sentRow->addWidget(new TokenArrow(11, sent), 0, Qt::AlignVCenter);
        auto* token = new ElidedText(entry.token, Fonts::mono(11), Theme::token, Qt::ElideMiddle, sent);
        token->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        sentRow->addWidget(token, 1, Qt::AlignVCenter);
        cells.append(sent);

        auto* confidence = new TextLabel(entry.confidencePercent(), Fonts::sans(11), Theme::dim, this);
        confidence->setMaxLines(1);
        confidence->setAlignment(Qt::AlignRight);
        confidence->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        cells.append(confidence);

        for (int column = 0; column < 5; ++column) {
            const Qt::Alignment alignment = column == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignVCenter;
            m_grid->addWidget(cells[column], row, column, alignment);
        }
        m_cells.append(cells);
        ++row;
    }
    updateGeometry();
}

QWidget* EntitiesGrid::cell(int entry, int column) const {
    if (entry < 0 || entry >= m_cells.size() || column < 0 || column >= 5) {
        return nullptr;
    }
    return m_cells[entry][column];
}

TextLabel* EntitiesGrid::header(int column) const {
    return column >= 0 && column < m_headers.size() ? m_headers[column] : nullptr;
}

void EntitiesGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint::fill(painter, Paint::roundedRect(QRectF(rect()), Theme::rowRadius), Theme::surface.on(this));
}

void EntitiesGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        const QStringList texts = headerTexts();
        for (int column = 0; column < 5; ++column) {
            m_headers[column]->setText(texts[column]);
        }
    }
    QWidget::changeEvent(event);
}

} // namespace fernholm
