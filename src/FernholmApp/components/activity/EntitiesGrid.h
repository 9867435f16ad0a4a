#pragma once

#include "FernholmKit/control/EventModels.h"

#include <QList>
#include <QWidget>

class QGridLayout;

namespace fernholm {

class TextLabel;

// The values hidden in one request as a table on a rounded surface: entity type, source pill,
// value (long ones shortened in the middle), the placeholder sent instead, and the confidence.
//
//     auto* grid = new EntitiesGrid(this);
//     grid->setEntries(dedupedByToken(record.details));   // same entries: nothing happens
class EntitiesGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int entityWidth = 104;
    static constexpr int sourceWidth = 64;
    static constexpr int tokenWidth = 140;

    explicit EntitiesGrid(QWidget* parent = nullptr);

    const QList<DetectionDetail>& entries() const { return m_entries; }
    void setEntries(const QList<DetectionDetail>& entries);

    // The cell widget of an entry (row 0 is the first entry) and column 0 to 4, or null.
    QWidget* cell(int entry, int column) const;
    // The header label of column 0 to 4.
    TextLabel* header(int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();

    QList<DetectionDetail> m_entries;
    QGridLayout* m_grid;
    QList<TextLabel*> m_headers;
    QList<QList<QWidget*>> m_cells;
};

} // namespace fernholm
