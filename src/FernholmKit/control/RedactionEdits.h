#pragma once

// The user's unsaved edits of the redaction rules, carried onto rules that changed underneath.

#include "FernholmKit/control/RedactionModels.h"

namespace fernholm {

// The edits that turned `base` into `edited`, made again on `fresh`: each value the user changed
// keeps the user's value, everything else is the gateway's. A switch of a type that is gone from
// `fresh` or is locked there is dropped with its edit; an entry the user added to a list is kept
// unless the list holds it already, one the user removed stays removed. The categories, the
// labels and the organisation policy are always `fresh`'s. Without edits the result is `fresh`.
RedactionPage rebaseEdits(const RedactionPage& base, const RedactionPage& edited, const RedactionPage& fresh);

} // namespace fernholm
