#pragma once

#include <QString>

#include <optional>

namespace fernholm {

// The application's short version ("0.1.0"), the project version set in the top-level
// CMakeLists.txt (the one the gateway is started with); nothing when the build set none.
std::optional<QString> appVersion();

// `configured` as a version: nothing when it is empty or blank, else the text trimmed.
std::optional<QString> versionFrom(const QString& configured);

} // namespace fernholm
