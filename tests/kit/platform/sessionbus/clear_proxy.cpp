// clear_proxy: one run of the system proxy cleaner on this platform's proxy tool, as the
// application does it when the gateway stops for good, in a process of its own. Prints the
// cleaner's result as one JSON object and exits 0 when nothing of the gateway's is left.
//
//   clear_proxy PORT [PARKED_FILE]
#include "FernholmKit/supervision/SystemProxyCleaner.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace fernholm;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool portOk = false;
    const int port = args.value(0).toInt(&portOk);
    if (!portOk || args.size() > 2) {
        std::fputs("usage: clear_proxy PORT [PARKED_FILE]\n", stderr);
        return 2;
    }
    const std::optional<QString> parked = args.size() == 2 ? std::optional(args.at(1)) : std::nullopt;
    const SystemProxyCleaner::Result result = SystemProxyCleaner::clear(QStringLiteral("Desktop"), port, parked);
    QJsonArray ran;
    for (const QStringList& command : result.ran) {
        ran.append(QJsonArray::fromStringList(command));
    }
    const QJsonObject out{{QStringLiteral("ran"), ran},
                          {QStringLiteral("stillOurs"), QJsonArray::fromStringList(result.stillOurs)}};
    std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
    return result.ok() ? 0 : 1;
}
