#include "FernholmApp/theme/BrandFonts.h"

#include "FernholmApp/theme/BrandImages.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmKit/supervision/SidecarProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>

namespace fernholm {

namespace {

struct State {
    std::optional<QStringList> roots;
    bool registered = false;
    QList<int> fontIds;
    QStringList files;
    QHash<QString, QFont> cache;
};

State& state() {
    static State shared;
    return shared;
}

// A double as its shortest round-trip text, with ".0" for whole numbers ("40.0", "13.5").
QString doubleText(double value) {
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(u'n') && !text.contains(u'i')) {
        text += QLatin1String(".0");
    }
    return text;
}

} // namespace

QStringList BrandFonts::resourceDirectories(const QString& subfolder) {
    QStringList folders;
    if (const auto& roots = state().roots) {
        for (const QString& root : *roots) {
            folders << QDir(root).filePath(subfolder);
        }
        return folders;
    }
    if (!QCoreApplication::instance()) {
        return folders;
    }
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) {
        return folders;
    }
    if (const auto installed = SidecarProcess::installedResourceFolder(program)) {
        folders << QDir(*installed).filePath(subfolder);
    }
    folders << QDir(QFileInfo(program).absolutePath()).filePath(QStringLiteral("resources/") + subfolder);
    return folders;
}

void BrandFonts::setResourceRoots(std::optional<QStringList> roots) {
    State& s = state();
    for (int id : std::as_const(s.fontIds)) {
        QFontDatabase::removeApplicationFont(id);
    }
    s = State{};
    s.roots = std::move(roots);
    BrandImages::reset();
}

void BrandFonts::registerFonts() {
    State& s = state();
    if (s.registered) {
        return;
    }
    s.registered = true; // a failed registration is not tried again

    for (const QString& folder : resourceDirectories(QStringLiteral("Fonts"))) {
        if (!QFileInfo::exists(folder)) {
            continue;
        }
        const QDir dir(folder);
        QStringList kept;
        const QStringList entries =
            dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& entry : entries) {
            if (QFileInfo(entry).suffix().toLower() == QLatin1String("ttf")) {
                kept << dir.filePath(entry);
            }
        }
        if (kept.isEmpty()) {
            continue;
        }
        for (const QString& file : std::as_const(kept)) {
            const int id = QFontDatabase::addApplicationFont(file);
            if (id >= 0) {
                s.fontIds << id;
                s.files << file;
            }
        }
        return; // fonts come from the first folder that has any
    }
}

QStringList BrandFonts::registeredFiles() {
    return state().files;
}

QString BrandFonts::cacheKey(const QString& name, qreal size, std::optional<qreal> weight,
                             std::optional<qreal> opticalSize) {
    return name + u'|' + doubleText(size) + u'|' + doubleText(weight.value_or(0.0)) + u'|' +
           doubleText(opticalSize.value_or(0.0));
}

bool BrandFonts::isCached(const QString& key) {
    return state().cache.contains(key);
}

std::optional<BrandFonts::Face> BrandFonts::staticFace(const QString& name, std::optional<qreal> weight) {
    const qreal w = weight.value_or(400.0);
    if (name == QLatin1String("Spectral-Medium")) {
        return Face{QStringLiteral("Spectral"), 500};
    }
    if (name == QLatin1String("DMSans-9ptRegular")) {
        return Face{QStringLiteral("DM Sans"), w >= 600 ? 600 : w >= 500 ? 500 : 400};
    }
    if (name == QLatin1String("RobotoMono-Regular")) {
        return Face{QStringLiteral("Roboto Mono"), w >= 500 ? 500 : 400};
    }
    return std::nullopt;
}

std::optional<QFont> BrandFonts::font(const QString& name, qreal size, std::optional<qreal> weight,
                                      std::optional<qreal> opticalSize) {
    registerFonts();
    State& s = state();
    const QString key = cacheKey(name, size, weight, opticalSize);
    if (const auto found = s.cache.constFind(key); found != s.cache.constEnd()) {
        return *found;
    }
    const auto face = staticFace(name, weight);
    if (!face) {
        return std::nullopt;
    }
    QFont font(face->family);
    font.setPixelSize(Fonts::pixelSize(size));
    font.setWeight(QFont::Weight(face->weight));
    // The font database hands back another family (DejaVu Sans, say) when it has no such face.
    if (QFontInfo(font).family().compare(face->family, Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    s.cache.insert(key, font);
    return font;
}

} // namespace fernholm
