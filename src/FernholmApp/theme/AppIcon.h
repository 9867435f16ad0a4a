#pragma once

#include <QIcon>
#include <QString>

namespace fernholm {

// The program's window icon: the desktop icon theme's "com.orvendale.tarvine" (what an install
// puts into the theme, and what the desktop entry names) when the theme has it, else the artwork
// shipped as "app-icon.svg" in the resources' Brand folder.
struct AppIcon {
    static const QString themeName;

    QIcon icon;
    // Where it came from: "theme", the bundled file's path, or empty when there is no icon.
    QString source;

    // Looks it up afresh (GUI thread, after the application object exists).
    static AppIcon find();
};

} // namespace fernholm
