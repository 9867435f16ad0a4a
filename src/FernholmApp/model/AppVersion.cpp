#include "FernholmApp/model/AppVersion.h"

#include "FernholmKit/Version.h"

namespace fernholm {

std::optional<QString> versionFrom(const QString& configured) {
    const QString version = configured.trimmed();
    if (version.isEmpty()) {
        return std::nullopt;
    }
    return version;
}

std::optional<QString> appVersion() {
    return versionFrom(QStringLiteral(FERNHOLM_APP_VERSION));
}

} // namespace fernholm
