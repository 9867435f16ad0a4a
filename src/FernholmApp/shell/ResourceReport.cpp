#include "FernholmApp/shell/ResourceReport.h"

#include "FernholmApp/studio/loader/StudioLoader.h"
#include "FernholmApp/theme/AppIcon.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/theme/BrandImages.h"

#include <QFileInfo>
#include <QFontInfo>
#include <QRawFont>

namespace fernholm {

namespace {

// The weight class the face's own file declares (its OS/2 table), 0 when it has none. Not
// QFontInfo's weight, which is what was asked for even when the system thickens a lighter face.
int declaredWeight(const QFont& font) {
    const QByteArray os2 = QRawFont::fromFont(font).fontTable("OS/2");
    if (os2.size() < 6) {
        return 0;
    }
    return (quint8(os2.at(4)) << 8) | quint8(os2.at(5));
}

} // namespace

ResourceReport ResourceReport::gather() {
    ResourceReport report;
    BrandFonts::registerFonts();
    for (const QString& file : BrandFonts::registeredFiles()) {
        report.lines << QStringLiteral("font ") + file;
    }

    const QList<std::pair<QString, int>> faces{
        {QStringLiteral("Spectral-Medium"), 500},    {QStringLiteral("DMSans-9ptRegular"), 400},
        {QStringLiteral("DMSans-9ptRegular"), 500},  {QStringLiteral("DMSans-9ptRegular"), 600},
        {QStringLiteral("RobotoMono-Regular"), 400}, {QStringLiteral("RobotoMono-Regular"), 500},
    };
    for (const auto& [name, weight] : faces) {
        QString line = QStringLiteral("face %1 %2 ").arg(name).arg(weight);
        if (const auto font = BrandFonts::font(name, 13, weight)) {
            const int declared = declaredWeight(*font);
            line += QStringLiteral("%1 %2").arg(QFontInfo(*font).family()).arg(declared);
            report.complete = report.complete && declared == weight;
        } else {
            line += QLatin1String("missing");
            report.complete = false;
        }
        report.lines << line;
    }

    const QList<std::pair<QString, const std::optional<BrandImage>*>> images{
        {QStringLiteral("mark"), &BrandImages::mark()},
        {QStringLiteral("marker"), &BrandImages::marker()},
    };
    for (const auto& [name, image] : images) {
        report.lines
            << QStringLiteral("image %1 %2").arg(name, *image ? (*image)->source() : QStringLiteral("missing"));
        report.complete = report.complete && image->has_value();
    }

    const AppIcon icon = AppIcon::find();
    report.lines << QStringLiteral("icon ") + (icon.source.isEmpty() ? QStringLiteral("missing") : icon.source);
    report.complete = report.complete && !icon.source.isEmpty();

    // The studio module the program would load when the Documents page is first shown.
    const QStringList modules = StudioLoader::standardLocations();
    const auto module = std::find_if(modules.begin(), modules.end(), [](const QString& path) {
        return QFileInfo(path).isFile();
    });
    report.lines << QStringLiteral("studio ") + (module != modules.end() ? *module : QStringLiteral("missing"));
    report.complete = report.complete && module != modules.end();
    return report;
}

} // namespace fernholm
