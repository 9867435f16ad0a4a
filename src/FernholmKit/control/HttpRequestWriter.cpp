#include "FernholmKit/control/HttpRequestWriter.h"

#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

namespace fernholm {

namespace {

bool isTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isWritableValue(const QByteArray& value) {
    return std::none_of(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

// Headers that frame the message or the connection.
bool isFraming(const QByteArray& name) {
    static const QByteArrayView framing[] = {"host", "content-length", "transfer-encoding", "connection", "keep-alive",
                                             "te",   "upgrade"};
    const QByteArray lower = name.toLower();
    return std::any_of(std::begin(framing), std::end(framing), [&](QByteArrayView f) { return lower == f; });
}

} // namespace

std::optional<QByteArray> writeHttpRequest(QByteArrayView method, const QNetworkRequest& request,
                                           const QByteArray& body, bool bodyExpected) {
    const QUrl url = request.url();
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/')) {
        target.prepend('/');
    }
    if (std::any_of(target.begin(), target.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; })) {
        return std::nullopt;
    }

    QByteArray out;
    out.reserve(256 + body.size());
    out += method;
    out +=
        ' ' + target + " HTTP/1.1\r\nHost: " + url.host().toLatin1() + ':' + QByteArray::number(url.port(80)) + "\r\n";
    const QList<QByteArray> names = request.rawHeaderList();
    for (const QByteArray& name : names) {
        if (name.isEmpty() || !std::all_of(name.begin(), name.end(), isTokenChar)) {
            return std::nullopt;
        }
        if (isFraming(name)) {
            continue;
        }
        const QByteArray value = request.rawHeader(name);
        if (!isWritableValue(value)) {
            return std::nullopt;
        }
        out += name + ": " + value + "\r\n";
    }
    if (bodyExpected || !body.isEmpty()) {
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    out += "\r\n";
    out += body;
    return out;
}

} // namespace fernholm
