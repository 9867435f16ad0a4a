#pragma once

#include "FernholmApp/model/WorkbenchSession.h"

namespace fernholm::test {

// The setters of the workbench state that only the session's own actions write, for tests that
// put a result, an error or choices in place without asking the gateway:
//
//     WorkbenchSessionAccess::setScanResult(model.workbench(), result);
struct WorkbenchSessionAccess {
    static void setPromptChoices(WorkbenchSession& session, const WorkbenchChoices& choices) {
        session.setPromptChoices(choices);
    }
    static void setScanResult(WorkbenchSession& session, const std::optional<ScanResult>& result) {
        session.setScanResult(result);
    }
    static void setScanError(WorkbenchSession& session, const std::optional<QString>& error) {
        session.setScanError(error);
    }
    static void setScanning(WorkbenchSession& session, bool scanning) { session.setScanning(scanning); }
    static void setReplyResult(WorkbenchSession& session, const std::optional<RestoreResult>& result) {
        session.setReplyResult(result);
    }
    static void setReplyError(WorkbenchSession& session, const std::optional<QString>& error) {
        session.setReplyError(error);
    }
};

} // namespace fernholm::test
