#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

// The typefaces shipped in the resources' "Fonts" folder, asked for by PostScript name:
// "Spectral-Medium" (titles), "DMSans-9ptRegular" (body text, through Fonts::sans) and
// "RobotoMono-Regular" (placeholders and other fixed-width text). Only static instances ship, so
// a request with a weight gets the nearest one (see staticFace); the optical size is part of
// the cache key but has no face of its own to choose.
//
// Fonts are registered lazily, on the first request, once per process. Sizes are pixels
// (one per point of the design); QFont takes whole pixel sizes, so a size is rounded. GUI thread
// only (the cache has no lock).
class BrandFonts {
public:
    // The folders to search for a resource subfolder, in order: "<exe>/../share/tarvine/<S>" when
    // installed, then "<exe dir>/resources/<S>" (the build copies Fonts and Brand there). With
    // roots set by setResourceRoots, "<root>/<S>" for each root instead. Existence is the
    // caller's business.
    static QStringList resourceDirectories(const QString& subfolder);

    // Searches "<root>/<S>" for each root instead of the program's own folders, or the program's
    // folders again for nothing. Forgets registered fonts, cached fonts and loaded images, so the
    // next request starts afresh (tests; view tests use the repository's resources/).
    static void setResourceRoots(std::optional<QStringList> roots);

    // Registers the font files (".ttf" in any letter case) of the first "Fonts" folder that holds
    // any. Does its work once per process, also when it found nothing.
    static void registerFonts();
    // Files registered by registerFonts.
    static QStringList registeredFiles();

    // The face `name` at `size` pixels with the weight-axis value `weight`, or nothing when that
    // face is not available (not shipped, not registered, or substituted by the system). Each
    // accepted font is cached under cacheKey(); a missing face is not, so it is tried again.
    static std::optional<QFont> font(const QString& name, qreal size, std::optional<qreal> weight = std::nullopt,
                                     std::optional<qreal> opticalSize = std::nullopt);

    // "name|size|weight|opticalSize", each number as a double's text (40 -> "40.0", absent -> "0.0").
    static QString cacheKey(const QString& name, qreal size, std::optional<qreal> weight,
                            std::optional<qreal> opticalSize);
    static bool isCached(const QString& key);

    // The family and static weight a request maps to: "Spectral-Medium" -> Spectral 500;
    // "DMSans-9ptRegular" -> DM Sans 600 at weight >= 600, 500 at >= 500, else 400;
    // "RobotoMono-Regular" -> Roboto Mono 500 at weight >= 500, else 400. Nothing for other names.
    struct Face {
        QString family;
        int weight = 400;
        bool operator==(const Face&) const = default;
    };
    static std::optional<Face> staticFace(const QString& name, std::optional<qreal> weight);
};

} // namespace fernholm
