#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

class QNetworkRequest;

namespace fernholm {

// The bytes of an HTTP/1.1 request: the request line for the request's address, a Host header,
// the request's own raw headers (those that frame the message are this writer's to set), a
// Content-Length whenever there is a body or the method carries one, and the body. Nothing when a
// header cannot be written as it is (a name that is not a token, a line break in a value).
std::optional<QByteArray> writeHttpRequest(QByteArrayView method, const QNetworkRequest& request,
                                           const QByteArray& body, bool bodyExpected);

} // namespace fernholm
