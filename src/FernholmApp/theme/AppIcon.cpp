#include "FernholmApp/theme/AppIcon.h"

#include "FernholmApp/theme/BrandFonts.h"

#include <QDir>
#include <QFileInfo>
#include <QSvgRenderer>

namespace fernholm {

const QString AppIcon::themeName = QStringLiteral("com.orvendale.tarvine");

AppIcon AppIcon::find() {
    if (QIcon::hasThemeIcon(themeName)) {
        return {QIcon::fromTheme(themeName), QStringLiteral("theme")};
    }
    for (const QString& folder : BrandFonts::resourceDirectories(QStringLiteral("Brand"))) {
        const QString file = QDir(folder).filePath(QStringLiteral("app-icon.svg"));
        // An unreadable file moves on to the next folder, as the brand images do.
        if (QFileInfo(file).isFile() && QSvgRenderer(file).isValid()) {
            return {QIcon(file), file};
        }
    }
    return {};
}

} // namespace fernholm
