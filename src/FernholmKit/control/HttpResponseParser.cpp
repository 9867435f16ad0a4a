#include "FernholmKit/control/HttpResponseParser.h"

#include <algorithm>

namespace fernholm {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c)) {
        return true;
    }
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

// Visible text, spaces and tabs, and the bytes above ASCII (obsolete, but harmless in a value).
bool isFieldText(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == '\t' || (u >= 0x20 && u != 0x7f);
    });
}

QByteArrayView trimmedSpaces(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t')) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) {
        text.chop(1);
    }
    return text;
}

// The comma-separated elements of a header's value, trimmed and lower-cased.
QList<QByteArray> elements(const QByteArray& value) {
    QList<QByteArray> out;
    for (const QByteArray& element : value.split(',')) {
        out.append(trimmedSpaces(element).toByteArray().toLower());
    }
    return out;
}

} // namespace

HttpResponseParser::Outcome HttpResponseParser::fail(const QString& why) {
    m_failure = why;
    m_outcome = Outcome::malformed;
    return m_outcome;
}

std::optional<QByteArray> HttpResponseParser::header(QByteArrayView name) const {
    std::optional<QByteArray> joined;
    for (const Header& header : m_headers) {
        if (header.name.compare(name, Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (joined) {
            *joined += ", " + header.value;
        } else {
            joined = header.value;
        }
    }
    return joined;
}

bool HttpResponseParser::reusable() const {
    return m_outcome == Outcome::complete && m_keepAlive && !m_bytesPastEnd;
}

bool HttpResponseParser::takeLine(QByteArrayView& bytes, qsizetype limit, const char* what) {
    const qsizetype end = bytes.indexOf('\n');
    const qsizetype taken = end < 0 ? bytes.size() : end;
    if (m_line.size() + taken > limit) {
        fail(QStringLiteral("the %1 is larger than %2 bytes").arg(QLatin1String(what)).arg(limit));
        return false;
    }
    m_line.append(bytes.first(taken));
    bytes = bytes.sliced(end < 0 ? taken : taken + 1);
    if (end < 0) {
        return false;
    }
    if (m_line.endsWith('\r')) {
        m_line.chop(1);
    }
    return true;
}

bool HttpResponseParser::onStatusLine() {
    const QByteArrayView line(m_line);
    // "HTTP/1.1 200" and, after one space, a reason phrase that may be empty.
    const bool shaped = line.size() >= 12 && line.startsWith("HTTP/1.") && isDigit(line[7]) && line[8] == ' ' &&
                        line[9] >= '1' && line[9] <= '5' && isDigit(line[10]) && isDigit(line[11]) &&
                        (line.size() == 12 || line[12] == ' ');
    if (!shaped) {
        fail(QStringLiteral("not an HTTP/1.x status line"));
        return false;
    }
    const QByteArrayView reason = line.size() > 12 ? line.sliced(13) : QByteArrayView();
    if (!isFieldText(reason)) {
        fail(QStringLiteral("control characters in the status line"));
        return false;
    }
    m_minorVersion = line[7] - '0';
    m_status = line.sliced(9, 3).toInt();
    m_reason = reason.toByteArray();
    return true;
}

bool HttpResponseParser::onHeaderLine(bool trailer) {
    const QByteArrayView line(m_line);
    if (line.front() == ' ' || line.front() == '\t') {
        fail(QStringLiteral("a folded header line"));
        return false;
    }
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView name = colon < 0 ? QByteArrayView() : line.first(colon);
    if (name.isEmpty() || !std::all_of(name.begin(), name.end(), isTokenChar)) {
        fail(QStringLiteral("a malformed header line"));
        return false;
    }
    const QByteArrayView value = trimmedSpaces(line.sliced(colon + 1));
    if (!isFieldText(value)) {
        fail(QStringLiteral("control characters in a header"));
        return false;
    }
    if (!trailer) {
        m_headers.append(Header{name.toByteArray(), value.toByteArray()});
    }
    return true;
}

bool HttpResponseParser::onHeadEnd() {
    if (m_status < 200) {
        if (m_status == 101) {
            fail(QStringLiteral("a protocol switch that was not asked for"));
            return false;
        }
        // An interim response: the real one follows.
        m_headers.clear();
        m_headBytes = 0;
        m_headLines = 0;
        m_stage = Stage::statusLine;
        return true;
    }
    // The head counts as there only once its framing is known to be sound.
    m_hasHead = chooseFraming();
    return m_hasHead;
}

bool HttpResponseParser::chooseFraming() {
    const QList<QByteArray> connection = elements(header("Connection").value_or(QByteArray()));
    m_keepAlive = m_minorVersion == 0 ? connection.contains("keep-alive") : !connection.contains("close");

    if (m_status == 204 || m_status == 304) {
        m_stage = Stage::done;
        m_outcome = Outcome::complete;
        return true;
    }
    if (const auto coding = header("Transfer-Encoding")) {
        if (elements(*coding) != QList<QByteArray>{"chunked"}) {
            fail(QStringLiteral("a transfer coding other than chunked"));
            return false;
        }
        // With both, the coding wins; a length beside it marks a confused sender, not to be trusted twice.
        if (header("Content-Length")) {
            m_keepAlive = false;
        }
        m_stage = Stage::chunkSize;
        return true;
    }
    if (const auto length = header("Content-Length")) {
        // Repeated lengths (in one header or several) must all say the same plain number.
        const QList<QByteArray> values = elements(*length);
        const bool plain = std::all_of(values.begin(), values.end(), [](const QByteArray& v) {
            return !v.isEmpty() && v.size() <= 18 && std::all_of(v.begin(), v.end(), isDigit);
        });
        if (!plain || std::any_of(values.begin(), values.end(), [&](const QByteArray& v) { return v != values[0]; })) {
            fail(QStringLiteral("an invalid Content-Length"));
            return false;
        }
        m_remaining = values[0].toLongLong();
        m_stage = m_remaining > 0 ? Stage::lengthBody : Stage::done;
        if (m_remaining == 0) {
            m_outcome = Outcome::complete;
        }
        return true;
    }
    m_keepAlive = false;
    m_stage = Stage::closeBody;
    return true;
}

bool HttpResponseParser::onChunkSize() {
    QByteArrayView size(m_line);
    if (const qsizetype extension = size.indexOf(';'); extension >= 0) {
        size = size.first(extension);
    }
    size = trimmedSpaces(size);
    bool ok = !size.isEmpty() && size.size() <= 15 && std::all_of(size.begin(), size.end(), [](char c) {
        return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
    m_remaining = ok ? size.toLongLong(&ok, 16) : 0;
    if (!ok) {
        fail(QStringLiteral("an invalid chunk size"));
        return false;
    }
    if (m_remaining == 0) {
        m_headBytes = 0;
        m_headLines = 0;
        m_stage = Stage::trailers;
    } else {
        m_stage = Stage::chunkData;
    }
    return true;
}

HttpResponseParser::Outcome HttpResponseParser::feed(QByteArrayView bytes, QByteArray& body) {
    while (!bytes.isEmpty() && m_outcome == Outcome::incomplete) {
        switch (m_stage) {
        case Stage::statusLine:
        case Stage::headerLines:
        case Stage::trailers: {
            if (!takeLine(bytes, maxHeadSize - m_headBytes, m_stage == Stage::trailers ? "trailer" : "head")) {
                break;
            }
            m_headBytes += m_line.size() + 1;
            if (m_line.contains('\r') || m_line.contains('\0')) {
                return fail(QStringLiteral("a stray CR or NUL in the head"));
            }
            bool ok = true;
            if (m_stage == Stage::statusLine) {
                ok = onStatusLine();
                m_stage = Stage::headerLines;
            } else if (!m_line.isEmpty()) {
                if (++m_headLines > maxHeaderLines) {
                    return fail(QStringLiteral("more than %1 header lines").arg(maxHeaderLines));
                }
                ok = onHeaderLine(m_stage == Stage::trailers);
            } else if (m_stage == Stage::headerLines) {
                ok = onHeadEnd();
            } else {
                m_stage = Stage::done;
                m_outcome = Outcome::complete;
            }
            m_line.clear();
            if (!ok) {
                return m_outcome;
            }
            break;
        }
        case Stage::chunkSize:
            if (!takeLine(bytes, maxChunkLine, "chunk size line")) {
                break;
            }
            if (!onChunkSize()) {
                return m_outcome;
            }
            m_line.clear();
            break;
        case Stage::chunkEnd:
            if (!takeLine(bytes, maxChunkLine, "chunk end")) {
                break;
            }
            if (!m_line.isEmpty()) {
                return fail(QStringLiteral("a chunk longer than its size"));
            }
            m_stage = Stage::chunkSize;
            break;
        case Stage::lengthBody:
        case Stage::chunkData: {
            const qsizetype taken = static_cast<qsizetype>(std::min<qint64>(m_remaining, bytes.size()));
            body.append(bytes.first(taken));
            bytes = bytes.sliced(taken);
            m_remaining -= taken;
            if (m_remaining == 0) {
                if (m_stage == Stage::chunkData) {
                    m_stage = Stage::chunkEnd;
                } else {
                    m_stage = Stage::done;
                    m_outcome = Outcome::complete;
                }
            }
            break;
        }
        case Stage::closeBody:
            body.append(bytes);
            bytes = {};
            break;
        case Stage::done:
            break;
        }
    }
    if (m_outcome == Outcome::complete && !bytes.isEmpty()) {
        m_bytesPastEnd = true;
    }
    return m_outcome;
}

HttpResponseParser::Outcome HttpResponseParser::endOfInput() {
    if (m_outcome != Outcome::incomplete) {
        return m_outcome;
    }
    if (m_stage == Stage::closeBody) {
        m_stage = Stage::done;
        m_outcome = Outcome::complete;
    } else {
        m_outcome = Outcome::truncated;
    }
    return m_outcome;
}

} // namespace fernholm
