#include "FernholmApp/studio/StudioScript.h"

#include <QFile>

namespace fernholm {

namespace {

QString channelClient() {
    static const QString source = [] {
        QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("studio: the web channel's client script is missing; the page cannot report back");
            return QString();
        }
        return QString::fromUtf8(file.readAll());
    }();
    return source;
}

// Messages wait in `queue` until the channel has handed over the "studio" object; a message
// that cannot be sent is dropped, never an error in the page. The page posts documents through
// window.webkit.messageHandlers.studio.postMessage, the handler interface it is written for.
const char* const kStudioScript = R"JS(
(function () {
    'use strict';
    var nonce = '%1';
    var studio = null;
    var queue = [];
    function send(body) {
        if (studio === null) {
            queue.push(body);
            return;
        }
        try {
            studio.post(nonce, body);
        } catch (e) {
        }
    }
    try {
        new QWebChannel(qt.webChannelTransport, function (channel) {
            var waiting = queue;
            queue = [];
            studio = channel.objects.studio || null;
            if (studio !== null) {
                waiting.forEach(send);
            }
        });
    } catch (e) {
    }

    window.webkit = {messageHandlers: {studio: {postMessage: function (body) { send(body); }}}};

    var keptFetch = window.fetch;
    if (typeof keptFetch !== 'function') {
        return;
    }
    var inFlight = 0;
    window.fetch = function (resource, options) {
        var method = 'GET';
        if (options && options.method !== undefined && options.method !== null) {
            method = String(options.method).toUpperCase();
        }
        if (arguments.length < 2 || !options || method !== 'POST') {
            return keptFetch.apply(window, arguments);
        }
        inFlight += 1;
        send({busy: inFlight});
        var settled = function () {
            inFlight -= 1;
            send({busy: inFlight});
        };
        var request;
        try {
            request = keptFetch.apply(window, arguments);
        } catch (e) {
            settled();
            throw e;
        }
        return request.finally(settled);
    };
})();
)JS";

} // namespace

QString studioScriptSource(const QString& nonce) {
    return channelClient() + QLatin1Char('\n') + QString::fromLatin1(kStudioScript).arg(nonce);
}

} // namespace fernholm
