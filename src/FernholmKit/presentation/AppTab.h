#pragma once

#include <array>

namespace fernholm {

// The main window's pages, in the order the sidebar lists them.
enum class AppTab { home, activity, providers, redaction, test, testDocument, setup, settings };

inline constexpr std::array<AppTab, 8> allAppTabs{AppTab::home,     AppTab::activity,     AppTab::providers,
                                                   AppTab::redaction, AppTab::test,       AppTab::testDocument,
                                                   AppTab::setup,    AppTab::settings};

} // namespace fernholm
