#pragma once

// The edits the redaction rules page makes to the working copy of the rules, and the user's
// unsaved edits carried onto rules that changed underneath.

#include "FernholmKit/control/RedactionModels.h"

#include <QList>
#include <QString>

namespace fernholm {

// --- One edit of the working copy ---
//
// Each returns `page` with one edit made. An edit that is refused or names nothing (an index out
// of range, a category that is no longer where the page saw it, a type that is locked) returns
// `page` unchanged.

// Whether a value is worth adding to the allowlist: something is left once white space and line
// breaks are trimmed.
bool canAddAllowEntry(const QString& value);
// Whether a blocklist entry may be added: both the keyword and the label have something left
// once trimmed.
bool canAddBlockEntry(const QString& keyword, const QString& label);

// Appends the trimmed value to the allowlist, unless canAddAllowEntry says no. A value listed
// already (here or by the organisation) is added again.
RedactionPage addAllowEntry(const RedactionPage& page, const QString& value);
RedactionPage removeAllowEntry(const RedactionPage& page, qsizetype index);
// Appends the trimmed keyword and label (the label as typed, not its slug), unless
// canAddBlockEntry says no. Duplicates are added again.
RedactionPage addBlockEntry(const RedactionPage& page, const QString& keyword, const QString& label);
RedactionPage removeBlockEntry(const RedactionPage& page, qsizetype index);
// The document options take the value as given.
RedactionPage setBoxStyle(const RedactionPage& page, const QString& boxStyle);
RedactionPage setCodes(const RedactionPage& page, const QString& codes);
// Switches the first type keyed `typeKey` of the category at `categoryIndex`, which must still be
// keyed `categoryKey`; a locked type stays as it is.
RedactionPage switchType(const RedactionPage& page, qsizetype categoryIndex, const QString& categoryKey,
                         const QString& typeKey, bool on);
// Switches every unlocked type of the category at `categoryIndex` (still keyed `categoryKey`) the
// same way, through withUnlockedTypes.
RedactionPage switchCategory(const RedactionPage& page, qsizetype categoryIndex, const QString& categoryKey, bool on);

// The types of `category` the user may switch, in order.
QList<RedactionType> unlockedTypes(const RedactionCategory& category);
// `category` with the `enabled` of each given type written to the first type of the same key;
// types not in the category are skipped, and locked types and every other field stay as they are.
RedactionCategory withUnlockedTypes(RedactionCategory category, const QList<RedactionType>& types);

// --- Unsaved edits on fresh rules ---

// The edits that turned `base` into `edited`, made again on `fresh`: each value the user changed
// keeps the user's value, everything else is the gateway's. A switch of a type that is gone from
// `fresh` or is locked there is dropped with its edit; an entry the user added to a list is kept
// unless the list holds it already, one the user removed stays removed. The categories, the
// labels and the organisation policy are always `fresh`'s. Without edits the result is `fresh`.
RedactionPage rebaseEdits(const RedactionPage& base, const RedactionPage& edited, const RedactionPage& fresh);

} // namespace fernholm
