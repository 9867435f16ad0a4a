#pragma once

// Sets up a redaction draft's copies the way the model does when the gateway answers, for tests
// of the pages and of the model.

#include "FernholmApp/model/RedactionDraft.h"

namespace fernholm {

struct RedactionDraftAccess {
    // One change signal each, when the copy changes.
    static void setEdited(RedactionDraft& draft, const RedactionPage& page) { draft.setEdited(page); }
    static void setSaved(RedactionDraft& draft, const RedactionPage& page) { draft.setSaved(page); }
    // As the model takes the gateway's rules: edits since `base` carried onto `fresh`.
    static void rebase(RedactionDraft& draft, const RedactionPage& base, const RedactionPage& fresh) {
        draft.rebase(base, fresh);
    }
};

} // namespace fernholm
