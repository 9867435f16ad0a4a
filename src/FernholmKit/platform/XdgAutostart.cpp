#include "FernholmKit/platform/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSaveFile>

#include <glib.h>

namespace fernholm {

const QString XdgAutostartItem::fileName = QStringLiteral("com.orvendale.tarvine.desktop");

namespace {

const char* const entryGroup = "Desktop Entry";

// The file format's escapes of a string value: backslash, line breaks, tabs, and a space in front.
QString escapedValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u' ':
            out += i == 0 ? QStringLiteral("\\s") : QStringLiteral(" ");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Everything the state depends on, read with the desktop's own key-file parser.
struct ReadEntry {
    bool readable = false;
    bool hidden = false;
    bool switchedOn = true;
    std::optional<QString> exec;
};

ReadEntry readEntry(const QString& path) {
    ReadEntry entry;
    GKeyFile* file = g_key_file_new();
    const QByteArray encoded = QFile::encodeName(path);
    if (g_key_file_load_from_file(file, encoded.constData(), G_KEY_FILE_NONE, nullptr) &&
        g_key_file_has_group(file, entryGroup)) {
        entry.readable = true;
        // Anything but a Boolean true leaves an entry visible (an error reads as false) ...
        entry.hidden = g_key_file_get_boolean(file, entryGroup, "Hidden", nullptr);
        // ... while a session starts a switched entry only when the switch reads as true.
        if (g_key_file_has_key(file, entryGroup, "X-GNOME-Autostart-enabled", nullptr)) {
            entry.switchedOn = g_key_file_get_boolean(file, entryGroup, "X-GNOME-Autostart-enabled", nullptr);
        }
        if (gchar* exec = g_key_file_get_string(file, entryGroup, "Exec", nullptr)) {
            entry.exec = QString::fromUtf8(exec);
            g_free(exec);
        }
    }
    g_key_file_free(file);
    return entry;
}

} // namespace

XdgAutostartItem::XdgAutostartItem(QMap<QString, QString> env, QString program)
    : m_env(std::move(env)), m_program(std::move(program)) {}

std::unique_ptr<XdgAutostartItem> XdgAutostartItem::forThisProgram() {
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QMap<QString, QString> env;
    for (const QString& name : system.keys()) {
        env.insert(name, system.value(name));
    }
    const QString image = env.value(QStringLiteral("APPIMAGE"));
    return std::make_unique<XdgAutostartItem>(env, image.isEmpty() ? QCoreApplication::applicationFilePath() : image);
}

QString XdgAutostartItem::entryPath() const {
    QString config = m_env.value(QStringLiteral("XDG_CONFIG_HOME"));
    // A relative XDG_CONFIG_HOME is invalid and to be ignored.
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        const QString home = m_env.value(QStringLiteral("HOME"));
        config = QDir(home.isEmpty() ? QDir::homePath() : home).filePath(QStringLiteral(".config"));
    }
    return QDir(config).filePath(QStringLiteral("autostart/") + fileName);
}

LoginItemState XdgAutostartItem::state() const {
    const ReadEntry entry = readEntry(entryPath());
    if (!entry.readable || entry.hidden || !entry.switchedOn) {
        return LoginItemState::notRegistered;
    }
    const std::optional<QStringList> arguments = entry.exec ? execArguments(*entry.exec) : std::nullopt;
    if (!arguments || arguments->isEmpty() || !programExists(arguments->first())) {
        return LoginItemState::notFound;
    }
    return LoginItemState::enabled;
}

bool XdgAutostartItem::programExists(const QString& program) const {
    const auto isProgram = [](const QString& path) {
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable();
    };
    if (QDir::isAbsolutePath(program)) {
        return isProgram(program);
    }
    if (program.contains(u'/')) {
        return false; // a relative path means nothing to a session
    }
    const QStringList folders = m_env.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
    return std::any_of(folders.cbegin(), folders.cend(),
                       [&](const QString& folder) { return isProgram(QDir(folder).filePath(program)); });
}

std::optional<QString> XdgAutostartItem::registerItem() {
    const QString path = entryPath();
    // When this fails, opening the file below fails too and says why.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Tarvine\n"
                                         "Exec=%1\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(m_program));
    file.write(entry.toUtf8());
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostartItem::unregisterItem() {
    QFile file(entryPath());
    if (!QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isSymLink()) {
        return std::nullopt;
    }
    if (!file.remove()) {
        return file.errorString();
    }
    return std::nullopt;
}

QString XdgAutostartItem::execValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
            quoted += c;
        } else if (c == u'%') {
            quoted += QLatin1String("%%");
        } else {
            quoted += c;
        }
    }
    quoted += u'"';
    return escapedValue(quoted);
}

std::optional<QStringList> XdgAutostartItem::execArguments(const QString& exec) {
    QStringList arguments;
    qsizetype i = 0;
    const qsizetype n = exec.size();
    while (i < n) {
        if (exec.at(i) == u' ' || exec.at(i) == u'\t') {
            ++i;
            continue;
        }
        QString argument;
        if (exec.at(i) == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = exec.at(i++);
                if (c == u'"') {
                    closed = true;
                    break;
                }
                if (c == u'\\' && i < n &&
                    (exec.at(i) == u'"' || exec.at(i) == u'`' || exec.at(i) == u'$' || exec.at(i) == u'\\')) {
                    argument += exec.at(i++);
                } else {
                    argument += c;
                }
            }
            if (!closed) {
                return std::nullopt;
            }
        } else {
            while (i < n && exec.at(i) != u' ' && exec.at(i) != u'\t') {
                argument += exec.at(i++);
            }
        }
        // Field codes come after the quoting: "%%" is a percent sign, the others stand for files
        // and addresses that a login never passes.
        QString expanded;
        for (qsizetype j = 0; j < argument.size(); ++j) {
            if (argument.at(j) == u'%' && j + 1 < argument.size()) {
                if (argument.at(j + 1) == u'%') {
                    expanded += u'%';
                }
                ++j;
            } else {
                expanded += argument.at(j);
            }
        }
        if (expanded.isEmpty() && !argument.isEmpty()) {
            continue; // a field code on its own is dropped with its argument
        }
        arguments.append(expanded);
    }
    return arguments;
}

} // namespace fernholm
