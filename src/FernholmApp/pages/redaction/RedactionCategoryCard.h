#pragma once

#include "FernholmApp/components/layout/Surface.h"
#include "FernholmKit/control/RedactionModels.h"

#include <QList>
#include <QString>

class QVBoxLayout;

namespace fernholm {

class SectionLabel;
class TextLabel;
class TriStateSwitch;
class VSwitch;

// One category of the redaction rules as a card: its name, "{on} of {all} on" and a switch over
// all its unlocked types, then a row per type with the type's name, which detector finds it, a
// lock mark when the organisation requires it, and its switch (disabled when locked).
//
// The card shows what setCategory() gives it and writes nothing: its switches emit requests and
// the owner writes the rules, which come back through setCategory(). Setting a category with the
// same types in the same order updates the rows in place (focus stays where it is); another list
// of types rebuilds the rows.
class RedactionCategoryCard : public Surface {
    Q_OBJECT
public:
    explicit RedactionCategoryCard(QWidget* parent = nullptr);

    const RedactionCategory& category() const { return m_category; }
    void setCategory(const RedactionCategory& category);

    struct Row {
        QWidget* row = nullptr;
        TextLabel* name = nullptr;
        TextLabel* source = nullptr;
        QWidget* lockMark = nullptr;
        VSwitch* toggle = nullptr;
    };

    SectionLabel* nameLabel() const { return m_name; }
    TextLabel* countLabel() const { return m_count; }
    TriStateSwitch* categorySwitch() const { return m_switch; }
    // One row per type, in the category's order.
    const QList<Row>& rows() const { return m_rows; }

Q_SIGNALS:
    // The user flipped the switch of the type with this key.
    void typeToggleRequested(const QString& key, bool on);
    // The user clicked the category switch: every unlocked type should become `on`.
    void categoryToggleRequested(bool on);

private:
    Row makeRow(const RedactionType& type);
    void showRow(Row& row, const RedactionType& type);

    RedactionCategory m_category;
    SectionLabel* m_name = nullptr;
    TextLabel* m_count = nullptr;
    TriStateSwitch* m_switch = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    QList<Row> m_rows;
};

} // namespace fernholm
