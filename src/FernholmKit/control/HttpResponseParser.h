#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace fernholm {

// Reads one HTTP/1.x response from the bytes of a connection, in whatever pieces they arrive:
// the status line and headers (interim 1xx responses skipped), then the body framed by
// Content-Length, by chunked transfer coding (trailers read and dropped) or by the end of the
// connection. Strict where a lenient reading could be tricked: a malformed line, a length that is
// not one plain number, a transfer coding other than chunked, or a head larger than maxHeadSize
// makes the response malformed. Nothing is decompressed.
class HttpResponseParser {
public:
    static constexpr qsizetype maxHeadSize = 64 * 1024;
    // A chunk-size line, extensions included.
    static constexpr qsizetype maxChunkLine = 1024;
    // Header lines of one head (or of the trailers): enough for any real server, and few enough
    // that handing them on stays cheap.
    static constexpr int maxHeaderLines = 256;

    enum class Outcome {
        incomplete, // more bytes are needed
        complete,
        malformed,
        truncated, // the connection ended before the response did
    };

    struct Header {
        QByteArray name;
        QByteArray value;
    };

    // Takes in the next bytes of the connection and appends what they carry of the body to `body`.
    // Bytes past the end of the response are left alone (and the connection is not reusable).
    Outcome feed(QByteArrayView bytes, QByteArray& body);
    // The connection has ended: completes a body read until the end, truncates anything else.
    Outcome endOfInput();

    Outcome outcome() const { return m_outcome; }
    // Why the response was malformed, for the error text.
    const QString& failure() const { return m_failure; }

    // The final (not interim) status line and headers have arrived.
    bool hasHead() const { return m_hasHead; }
    int status() const { return m_status; }
    const QByteArray& reason() const { return m_reason; }
    // In order of arrival, repeated names as often as they came.
    const QList<Header>& headers() const { return m_headers; }
    // Every value of the header, joined with ", ", or nothing when it is absent.
    std::optional<QByteArray> header(QByteArrayView name) const;

    // The response is complete and the connection may carry the next request.
    bool reusable() const;

private:
    enum class Stage { statusLine, headerLines, lengthBody, closeBody, chunkSize, chunkData, chunkEnd, trailers, done };

    Outcome fail(const QString& why);
    // Appends to the current line up to its end; true once the line is whole (without its CR LF).
    bool takeLine(QByteArrayView& bytes, qsizetype limit, const char* what);
    bool onStatusLine();
    bool onHeaderLine(bool trailer);
    bool onHeadEnd();
    bool chooseFraming();
    bool onChunkSize();

    Stage m_stage = Stage::statusLine;
    Outcome m_outcome = Outcome::incomplete;
    QString m_failure;
    QByteArray m_line;
    qsizetype m_headBytes = 0;
    int m_headLines = 0;
    qint64 m_remaining = 0;
    bool m_hasHead = false;
    int m_status = 0;
    int m_minorVersion = 1;
    QByteArray m_reason;
    QList<Header> m_headers;
    bool m_keepAlive = true;
    bool m_bytesPastEnd = false;
};

} // namespace fernholm
