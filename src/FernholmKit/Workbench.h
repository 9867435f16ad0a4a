#pragma once

// The prompt workbench: the user's keep and hide choices, and the pure logic that cuts checked
// texts and restored replies into runs of plain text, placeholder tokens and real values.

#include <QString>
#include <QStringList>

namespace fernholm {

// The user's overrides for one text. Entries keep the spelling they were added with; no two
// entries of a list, and no entries of both lists, are equal without regard to case.
struct WorkbenchChoices {
    QStringList kept;   // sent unreplaced although the gateway would replace them ("keep")
    QStringList hidden; // replaced although the gateway would not ("hide")

    bool isEmpty() const { return kept.isEmpty() && hidden.isEmpty(); }

    // Send this value after all: undoes the user's own hide of it, else keeps it.
    void restore(const QString& value);
    // Replace this value: undoes a keep of it, else hides it.
    void hide(const QString& value);
    bool isHiddenByUser(const QString& value) const;

    // Exact: order and letter case count.
    bool operator==(const WorkbenchChoices&) const = default;
};

} // namespace fernholm
