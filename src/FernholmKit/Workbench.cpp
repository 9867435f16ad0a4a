#include "Workbench.h"

#include "CaselessText.h"

namespace fernholm {

namespace {

bool containsIgnoringCase(const QStringList& list, const QString& value) {
    for (const QString& entry : list) {
        if (CaselessText::equal(entry, value)) {
            return true;
        }
    }
    return false;
}

// Adds the value to `into` unless `opposite` holds it, in which case every such entry of
// `opposite` goes instead.
void choose(const QString& value, QStringList& opposite, QStringList& into) {
    if (containsIgnoringCase(opposite, value)) {
        opposite.removeIf([&value](const QString& entry) { return CaselessText::equal(entry, value); });
        return;
    }
    if (!containsIgnoringCase(into, value)) {
        into.append(value);
    }
}

} // namespace

void WorkbenchChoices::restore(const QString& value) {
    choose(value, hidden, kept);
}

void WorkbenchChoices::hide(const QString& value) {
    choose(value, kept, hidden);
}

bool WorkbenchChoices::isHiddenByUser(const QString& value) const {
    return containsIgnoringCase(hidden, value);
}

} // namespace fernholm
