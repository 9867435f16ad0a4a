#include "FernholmKit/supervision/SystemProxyCleaner.h"

#include "FernholmKit/platform/DesktopProxyTool.h"

#include <QCoroFuture>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include <array>

namespace fernholm {

namespace {

struct ProxyKind {
    QString read;
    QString switchOff;
};

// Web first, then secure web.
const std::array<ProxyKind, 2> proxyKinds{{
    {QStringLiteral("-getwebproxy"), QStringLiteral("-setwebproxystate")},
    {QStringLiteral("-getsecurewebproxy"), QStringLiteral("-setsecurewebproxystate")},
}};

QStringList nonEmptyLines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void addOnce(QStringList& list, const QString& name) {
    if (!list.contains(name)) {
        list.append(name);
    }
}

// A list whose every element is a text, or nothing.
std::optional<QStringList> textList(const QJsonValue& value) {
    if (!value.isArray()) {
        return std::nullopt;
    }
    QStringList texts;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString()) {
            return std::nullopt;
        }
        texts.append(element.toString());
    }
    return texts;
}

} // namespace

const SystemProxyCleaner::Runner& SystemProxyCleaner::runNetworksetup() {
    static const Runner runner = DesktopProxyTool();
    return runner;
}

SystemProxyCleaner::Result SystemProxyCleaner::clear(const std::optional<QString>& service, int port,
                                                     const std::optional<QString>& parked, const Runner& run) {
    QStringList services;
    if (service && !service->isEmpty()) {
        services.append(*service);
    }

    const std::optional<QString> listing = run({QStringLiteral("-listallnetworkservices")});
    if (!listing) {
        return Result{{}, {unreadableServices}};
    }
    const QStringList lines = nonEmptyLines(*listing);
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line is the tool's header
        QString name = lines.at(i);
        if (name.startsWith(QLatin1Char('*'))) { // a disabled service
            name.remove(0, 1);
        }
        if (!name.isEmpty()) {
            addOnce(services, name);
        }
    }

    Result result;
    for (const QString& name : services) {
        for (const ProxyKind& kind : proxyKinds) {
            const std::optional<QString> before = run({kind.read, name});
            if (!before) {
                addOnce(result.stillOurs, name);
                continue;
            }
            if (!pointsAt(*before, port)) {
                continue;
            }
            const QStringList switchOff{kind.switchOff, name, QStringLiteral("off")};
            result.ran.append(switchOff);
            const std::optional<QString> switched = run(switchOff);
            const std::optional<QString> after = run({kind.read, name});
            if (!switched || !after || pointsAt(*after, port)) {
                addOnce(result.stillOurs, name);
            }
        }
    }

    if (parked) {
        restoreParked(*parked, result.stillOurs, run);
    }
    return result;
}

QCoro::Task<SystemProxyCleaner::Result> SystemProxyCleaner::clearAsync(std::optional<QString> service, int port,
                                                                       std::optional<QString> parked, Runner run) {
    // Not a coroutine itself: GCC 12 destroys a capturing lambda twice when it appears in the same
    // expression as co_await (a double free of the captured runner).
    QFuture<Result> future =
        QtConcurrent::run([service, port, parked, run] { return clear(service, port, parked, run); });
    return awaitResult(std::move(future));
}

QCoro::Task<SystemProxyCleaner::Result> SystemProxyCleaner::awaitResult(QFuture<Result> future) {
    co_return co_await future;
}

bool SystemProxyCleaner::pointsAt(const QString& output, int port) {
    QMap<QString, QString> values;
    for (const QString& line : nonEmptyLines(output)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0 || colon == line.size() - 1) { // fewer than two non-empty pieces
            continue;
        }
        // Spaces and tabs only: a carriage return left on a line is not the tool's format.
        const auto trimmed = [](QStringView piece) {
            qsizetype start = 0;
            qsizetype end = piece.size();
            const auto blank = [](QChar c) {
                return c == QLatin1Char(' ') || c == QLatin1Char('\t');
            };
            while (start < end && blank(piece.at(start))) {
                ++start;
            }
            while (end > start && blank(piece.at(end - 1))) {
                --end;
            }
            return piece.sliced(start, end - start).toString();
        };
        values.insert(trimmed(QStringView(line).left(colon)), trimmed(QStringView(line).sliced(colon + 1)));
    }
    return values.value(QStringLiteral("Enabled")) == QLatin1String("Yes") &&
           values.value(QStringLiteral("Server")) == QLatin1String("127.0.0.1") &&
           values.value(QStringLiteral("Port")) == QString::number(port);
}

void SystemProxyCleaner::restoreParked(const QString& path, const QStringList& skipping, const Runner& run) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return;
    }
    QJsonObject entries = document.object();
    for (const QJsonValue& entry : entries) {
        if (!entry.isObject()) {
            return;
        }
    }

    bool removedAny = false;
    const QStringList names = entries.keys();
    for (const QString& name : names) {
        if (skipping.contains(name)) {
            continue;
        }
        const QJsonObject entry = entries.value(name).toObject();
        bool restored = true;

        const QJsonValue pac = entry.value(QLatin1String("pac_url"));
        if (pac.isString() && !pac.toString().isEmpty()) {
            restored = run({QStringLiteral("-setautoproxyurl"), name, pac.toString()}).has_value() && restored;
        }

        const QJsonValue wpad = entry.value(QLatin1String("wpad_on"));
        if (wpad.isBool() && wpad.toBool()) {
            restored =
                run({QStringLiteral("-setproxyautodiscovery"), name, QStringLiteral("on")}).has_value() && restored;
        }

        const std::optional<QStringList> exceptions = textList(entry.value(QLatin1String("exceptions")));
        if (exceptions && !exceptions->isEmpty()) {
            const std::optional<QString> current = run({QStringLiteral("-getproxybypassdomains"), name});
            if (!current) {
                continue;
            }
            QStringList domains;
            // The tool answers an empty list with a sentence; a domain never holds a space.
            for (const QString& line : nonEmptyLines(*current)) {
                if (!line.contains(QLatin1Char(' '))) {
                    domains.append(line);
                }
            }
            const QStringList currentDomains = domains;
            for (const QString& exception : *exceptions) {
                if (!currentDomains.contains(exception)) {
                    domains.append(exception);
                }
            }
            restored =
                run(QStringList{QStringLiteral("-setproxybypassdomains"), name} + domains).has_value() && restored;
        }

        if (restored) {
            entries.remove(name);
            removedAny = true;
        }
    }

    if (entries.isEmpty()) {
        QFile::remove(path);
        return;
    }
    if (!removedAny) {
        return;
    }
    QSaveFile rewrite(path);
    if (!rewrite.open(QIODevice::WriteOnly)) {
        return;
    }
    rewrite.write(QJsonDocument(entries).toJson(QJsonDocument::Compact));
    // Set on the new file before it takes the old one's place, so it is never readable by others.
    rewrite.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    rewrite.commit();
}

} // namespace fernholm
