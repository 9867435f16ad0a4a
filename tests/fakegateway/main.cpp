// fake_gateway: a stand-in for the gateway that speaks its launch contract and control API, for
// supervision and model tests. Tests put it where the runtime lookup looks (a checkout's
// .venv/bin/python, or a resource folder's sidecar/sidecar) and launch it for real.
//
// Launch contract: TARVINE_APP_PORT names the port it listens on (127.0.0.1); standard input
// holds two lines, the data key in hexadecimal and the control token, and is read to its end
// before anything else happens. /api/hello answers the identity proof for that token; every
// other /api/ path wants "Authorization: Bearer <token>" and answers 401 without it.
//
// Adding an endpoint group: create <Name>Endpoints.cpp here (the build picks it up) holding one
// static EndpointGroup whose function calls gateway.route(method, path, handler) for each of its
// endpoints. Handlers read and change the shared GatewayState (add the fields they need there)
// and answer with FakeGateway::json or FakeGateway::error. Bearer check and faults apply to them
// without further work. The core (FakeGateway.cpp) and this file stay as they are.
//
// Environment:
//   FAKE_GW_DUMP=path           write what it received (argv, working folder, environment,
//                               standard input, the times its main() began and it listened, in
//                               microseconds on the system clock) and its process id
//                               as JSON to the path
//   FAKE_GW_EXIT_CODE=N         exit with code N ...
//   FAKE_GW_EXIT_AFTER_MS=D     ... D milliseconds after start (default 0)
//   FAKE_GW_STDERR_BYTES=N      write N bytes "x" to standard error at start ...
//   FAKE_GW_STDERR_TEXT=text    ... followed by this text
//   FAKE_GW_IGNORE_SIGTERM=1    ignore SIGTERM
//   FAKE_GW_NEVER_LISTEN=1      never open the port
//   FAKE_GW_PORT_IN_USE=1       report the port as taken, as the gateway does, and exit 1
//   FAKE_GW_WRONG_PROOF=1       answer the hello with a proof made with another key
//   FAKE_GW_SLOW_MS=N           answer every request N milliseconds late
//   FAKE_GW_HTTP_500=1          answer every control endpoint with status 500
//   FAKE_GW_BROKEN_JSON=1       cut every control endpoint's JSON reply in half
//   FAKE_GW_EXIT_AFTER_HELLO=1  exit with code 0 right after answering an identity proof
//   FAKE_GW_PROXY_PORT=N        report N as its proxy port in the status (default 48080)
//   FAKE_GW_CATALOGUE=path      serve the redaction categories of this catalogue instead of
//                               tests/data/redaction/catalogue.json; its "organisation" object,
//                               when it has one, is served as the organisation's policy
//   FAKE_GW_STUDIO_AUTOSAVE=1   its studio page (/studio/auth, then /studio) hands its sample
//                               document over for saving as soon as it has loaded
//
// Tests drive it further through the hooks under /fake/ (TestHookEndpoints.cpp).

#include "fakegateway/FakeGateway.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

using namespace fernholm::fake;

namespace {

const char* const portInUse = "OSError: [Errno 98] Address already in use\n";

QByteArray readStandardInput() {
    QByteArray all;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            all.append(buffer, n);
        } else if (n == 0 || errno != EINTR) {
            return all;
        }
    }
}

void writeStandardError(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

QJsonObject initialStatus() {
    return QJsonDocument::fromJson(R"({
        "protection": "off",
        "proxy_alive": false,
        "sysproxy": {"enabled": false},
        "ca": "missing",
        "proxy_port": 48080,
        "counters": {"total": 0, "redacted": 0, "blocked": 0, "passed": 0, "entities": {}, "unfiltered_hosts": []}
    })")
        .object();
}

// Microseconds on the system clock, which the launching side reads too.
qint64 nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void dump(const QStringList& arguments, const QByteArray& input, qint64 startedUs, std::optional<qint64> listeningUs) {
    const QString path = qEnvironmentVariable("FAKE_GW_DUMP");
    if (path.isEmpty()) {
        return;
    }
    QJsonObject env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& key : system.keys()) {
        env.insert(key, system.value(key));
    }
    const QJsonObject record{
        {QStringLiteral("argv"), QJsonArray::fromStringList(arguments)},
        {QStringLiteral("cwd"), QDir::currentPath()},
        {QStringLiteral("env"), env},
        {QStringLiteral("stdin"), QString::fromUtf8(input)},
        {QStringLiteral("started_us"), startedUs},
        {QStringLiteral("listening_us"), listeningUs ? QJsonValue(*listeningUs) : QJsonValue()},
        {QStringLiteral("pid"), QCoreApplication::applicationPid()},
    };
    // Written whole under its final name, so a test never reads half a file.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(record).toJson());
        file.commit();
    }
}

} // namespace

int main(int argc, char** argv) {
    const qint64 startedUs = nowUs();
    // Never outlive the test that launched it, even when that test crashes: a stray child would
    // keep the test's output open and hold its port.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A parent gone before the line above sends nothing: this process was handed to init then.
    if (getppid() == 1) {
        return 1;
    }
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();

    if (qEnvironmentVariable("FAKE_GW_IGNORE_SIGTERM") == QLatin1String("1")) {
        std::signal(SIGTERM, SIG_IGN);
    }

    bool portOk = false;
    const int port = qEnvironmentVariable("TARVINE_APP_PORT").toInt(&portOk);
    const QByteArray input = readStandardInput();
    const QList<QByteArray> lines = input.split('\n');

    const int stderrBytes = qEnvironmentVariableIntValue("FAKE_GW_STDERR_BYTES");
    if (stderrBytes > 0) {
        writeStandardError(QByteArray(stderrBytes, 'x'));
    }
    writeStandardError(qEnvironmentVariable("FAKE_GW_STDERR_TEXT").toUtf8());

    if (qEnvironmentVariableIsSet("FAKE_GW_EXIT_CODE")) {
        const int code = qEnvironmentVariableIntValue("FAKE_GW_EXIT_CODE");
        QTimer::singleShot(qEnvironmentVariableIntValue("FAKE_GW_EXIT_AFTER_MS"), &app,
                           [code] { QCoreApplication::exit(code); });
    }

    if (!portOk || port <= 0 || port > 65535) {
        dump(arguments, input, startedUs, std::nullopt);
        writeStandardError("fake_gateway: TARVINE_APP_PORT is not a port\n");
        return 2;
    }
    if (qEnvironmentVariable("FAKE_GW_PORT_IN_USE") == QLatin1String("1")) {
        dump(arguments, input, startedUs, std::nullopt);
        writeStandardError(portInUse);
        return 1;
    }

    GatewayState state;
    state.dataKeyLine = lines.value(0);
    state.token = QString::fromUtf8(lines.value(1));
    state.status = initialStatus();
    state.running.start();
    if (qEnvironmentVariableIsSet("FAKE_GW_PROXY_PORT")) {
        state.status.insert(QStringLiteral("proxy_port"), qEnvironmentVariableIntValue("FAKE_GW_PROXY_PORT"));
    }
    FakeGateway gateway(std::move(state), Faults::fromEnvironment());
    EndpointGroup::registerAll(gateway);

    std::optional<qint64> listeningUs;
    if (qEnvironmentVariable("FAKE_GW_NEVER_LISTEN") != QLatin1String("1")) {
        if (!gateway.listen(static_cast<quint16>(port))) {
            dump(arguments, input, startedUs, std::nullopt);
            writeStandardError(portInUse);
            return 1;
        }
        listeningUs = nowUs();
    }
    dump(arguments, input, startedUs, listeningUs);
    return app.exec();
}
