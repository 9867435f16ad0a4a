// The studio: entered at /studio/auth with the control token, which opens a session and sends the
// browser on to /studio, a small page of the stand-in's own. Its button hands a made-up document
// to the application through the "studio" message handler, so the application's save path (the
// stamp request, the save dialog) runs as it does with the real studio. With
// FAKE_GW_STUDIO_AUTOSAVE=1 the page presses its button itself once it has loaded, for tests that
// cannot reach into the web view.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Wire.h"

#include <QCryptographicHash>
#include <QUrlQuery>

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;

const QByteArray sessionCookie = QByteArrayLiteral("studio_session");

// One session per token: the cookie proves the browser was let in with it.
QByteArray sessionFor(const GatewayState& state) {
    return QCryptographicHash::hash("studio session " + state.token.toUtf8(), QCryptographicHash::Sha256).toHex();
}

bool hasSession(const Request& request, const GatewayState& state) {
    const QList<QByteArray> cookies = request.header("Cookie").split(';');
    for (const QByteArray& cookie : cookies) {
        const QByteArray pair = cookie.trimmed();
        if (pair == sessionCookie + '=' + sessionFor(state)) {
            return true;
        }
    }
    return false;
}

FakeGateway::Reply html(const QByteArray& body, int status = 200) {
    FakeGateway::Reply reply;
    reply.status = status;
    reply.body = body;
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8")));
    reply.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("no-store")));
    return reply;
}

QByteArray refusal(const char* why) {
    return QByteArrayLiteral("<!doctype html><html><head><meta charset=\"utf-8\"><title>Studio</title></head>"
                             "<body><p id=\"refused\">") +
           why + QByteArrayLiteral("</p></body></html>");
}

// Only a plain language code goes into the page.
QString languageCode(const Request& request) {
    const QString lang = queryText(request, "lang").value_or(QStringLiteral("en"));
    const bool plain = !lang.isEmpty() && lang.size() <= 8 &&
                       std::all_of(lang.begin(), lang.end(), [](QChar c) { return c.isLetter() || c == u'-'; });
    return plain ? lang : QStringLiteral("en");
}

struct Texts {
    const char* title;
    const char* line;
    const char* sample;
    const char* save;
};

Texts textsFor(const QString& lang) {
    if (lang == QLatin1String("pl")) {
        return {"Studio dokumentów", "To jest strona studia bramy zastępczej, nie prawdziwej bramy.",
                "Otwarto przykładowy dokument.", "Zapisz przykładowy dokument"};
    }
    return {"Document studio", "This is the stand-in gateway's studio page, not the real gateway's.",
            "The sample document is open.", "Save a sample document"};
}

// The made-up document the button saves.
const char* const sampleDocument = "Agreement between Jan Kowalski and Example Ltd.\n"
                                   "Contact: jan.kowalski@example.com, +48 600 100 200\n";

QByteArray studioPage(const QString& lang, bool sample) {
    const Texts texts = textsFor(lang);
    QByteArray page = R"HTML(<!doctype html>
<html lang="%LANG%">
<head>
<meta charset="utf-8">
<title>%TITLE%</title>
<style>
:root { color-scheme: light dark; }
html, body { background: transparent; font-family: sans-serif; margin: 0; }
main { padding: 32px; }
</style>
</head>
<body>
<main>
<h1 id="title">%TITLE%</h1>
<p id="standin">%LINE%</p>
%SAMPLE%
<button id="save" type="button">%SAVE%</button>
</main>
<script>
'use strict';
var sampleText = %DOCUMENT%;
function saveSample() {
    var bytes = new TextEncoder().encode(sampleText);
    var binary = '';
    bytes.forEach(function (b) { binary += String.fromCharCode(b); });
    window.webkit.messageHandlers.studio.postMessage({save: {name: 'sample-agreement.txt', b64: btoa(binary)}});
}
document.getElementById('save').addEventListener('click', saveSample);
if (%AUTOSAVE%) {
    window.addEventListener('load', saveSample);
}
</script>
</body>
</html>
)HTML";
    page.replace("%LANG%", lang.toUtf8());
    page.replace("%TITLE%", texts.title);
    page.replace("%LINE%", texts.line);
    page.replace("%SAMPLE%", sample ? QByteArray("<p id=\"sample\">") + texts.sample + "</p>" : QByteArray());
    page.replace("%SAVE%", texts.save);
    page.replace("%AUTOSAVE%", qEnvironmentVariable("FAKE_GW_STUDIO_AUTOSAVE") == QLatin1String("1") ? "true" : "false");
    QByteArray document = "'";
    for (const char c : QByteArray(sampleDocument)) {
        document += c == '\n' ? QByteArray("\\n") : QByteArray(1, c);
    }
    document += "'";
    page.replace("%DOCUMENT%", document);
    return page;
}

const EndpointGroup studio("studio", [](FakeGateway& gateway) {
    gateway.route(
        "GET", "/studio/auth",
        [](const Request& request, GatewayState& state) {
            if (queryText(request, "t") != state.token || state.token.isEmpty()) {
                return html(refusal("The studio needs the control token."), 403);
            }
            QUrlQuery onward;
            onward.addQueryItem(QStringLiteral("lang"), languageCode(request));
            if (queryText(request, "sample") == QLatin1String("1")) {
                onward.addQueryItem(QStringLiteral("sample"), QStringLiteral("1"));
            }
            FakeGateway::Reply reply = html(QByteArray(), 302);
            reply.headers.append(qMakePair(QByteArray("Location"), "/studio?" + onward.query().toUtf8()));
            reply.headers.append(qMakePair(QByteArray("Set-Cookie"), sessionCookie + '=' + sessionFor(state) +
                                                                         "; Path=/studio; HttpOnly; SameSite=Strict"));
            return reply;
        },
        /*open=*/true);

    gateway.route(
        "GET", "/studio",
        [](const Request& request, GatewayState& state) {
            if (!hasSession(request, state)) {
                return html(refusal("Open the studio from the application."), 403);
            }
            return html(studioPage(languageCode(request), queryText(request, "sample") == QLatin1String("1")));
        },
        /*open=*/true);
});

} // namespace

} // namespace fernholm::fake
