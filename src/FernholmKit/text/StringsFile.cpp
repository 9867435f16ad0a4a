#include "FernholmKit/text/StringsFile.h"

#include <QStringDecoder>

namespace fernholm {

namespace {

bool isUnquotedChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_' || u == u'$' ||
           u == u'/' || u == u':' || u == u'.' || u == u'-';
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    std::optional<StringsFile::Table> run() {
        StringsFile::Table table;
        while (true) {
            if (!skipSpace()) {
                return std::nullopt;
            }
            if (atEnd()) {
                return table;
            }
            const int keyLine = m_line;
            auto key = readString(u"a key");
            if (!key) {
                return std::nullopt;
            }
            if (!skipSpace()) {
                return std::nullopt;
            }
            if (peek() == u';') {
                ++m_pos;
                table.insert(*key, *key);
                continue;
            }
            if (peek() != u'=') {
                return fail(QStringLiteral("expected '=' or ';' after the key on line %1").arg(keyLine));
            }
            ++m_pos;
            if (!skipSpace()) {
                return std::nullopt;
            }
            auto value = readString(u"a string value");
            if (!value) {
                return std::nullopt;
            }
            if (!skipSpace()) {
                return std::nullopt;
            }
            if (peek() != u';') {
                return fail(QStringLiteral("missing ';' after the value of the entry on line %1").arg(keyLine));
            }
            ++m_pos;
            table.insert(*key, *value);
        }
    }

    const QString& error() const { return m_error; }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text.at(m_pos); }

    std::nullopt_t fail(const QString& why) {
        if (m_error.isEmpty()) {
            m_error = why;
        }
        return std::nullopt;
    }

    // Skips white space and comments; false on a comment that never closes.
    bool skipSpace() {
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos);
            if (c == u'\n') {
                ++m_line;
                ++m_pos;
            } else if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == u'*') {
                const int startLine = m_line;
                const qsizetype close = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                if (close < 0) {
                    fail(QStringLiteral("the comment opened on line %1 is never closed").arg(startLine));
                    return false;
                }
                m_line += int(QStringView(m_text).mid(m_pos, close - m_pos).count(u'\n'));
                m_pos = close + 2;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == u'/') {
                const qsizetype end = m_text.indexOf(u'\n', m_pos);
                m_pos = end < 0 ? m_text.size() : end;
            } else {
                break;
            }
        }
        return true;
    }

    std::optional<QString> readString(QStringView what) {
        const QChar c = peek();
        if (c == u'"' || c == u'\'') {
            return readQuoted(c);
        }
        if (!atEnd() && isUnquotedChar(c)) {
            const qsizetype start = m_pos;
            while (!atEnd() && isUnquotedChar(m_text.at(m_pos))) {
                ++m_pos;
            }
            return m_text.mid(start, m_pos - start);
        }
        if (atEnd()) {
            return fail(QStringLiteral("expected %1 on line %2, found the end of the file").arg(what).arg(m_line));
        }
        return fail(QStringLiteral("expected %1 on line %2, found '%3'").arg(what).arg(m_line).arg(c));
    }

    std::optional<QString> readQuoted(QChar quote) {
        const int startLine = m_line;
        ++m_pos;
        QString out;
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos++);
            if (c == quote) {
                return out;
            }
            if (c == u'\n') {
                ++m_line;
            }
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (atEnd()) {
                break;
            }
            const QChar e = m_text.at(m_pos++);
            switch (e.unicode()) {
            case u'a':
                out += u'\a';
                break;
            case u'b':
                out += u'\b';
                break;
            case u'f':
                out += u'\f';
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            case u't':
                out += u'\t';
                break;
            case u'v':
                out += u'\v';
                break;
            case u'U':
            case u'u': {
                char16_t unit = 0;
                for (int digits = 0; digits < 4 && !atEnd() && hexValue(m_text.at(m_pos)) >= 0; ++digits) {
                    unit = char16_t(unit * 16 + hexValue(m_text.at(m_pos++)));
                }
                out += QChar(unit);
                break;
            }
            case u'0':
            case u'1':
            case u'2':
            case u'3':
            case u'4':
            case u'5':
            case u'6':
            case u'7': {
                int value = e.unicode() - u'0';
                for (int digits = 1; digits < 3 && !atEnd(); ++digits) {
                    const char16_t d = m_text.at(m_pos).unicode();
                    if (d < u'0' || d > u'7') {
                        break;
                    }
                    value = value * 8 + (d - u'0');
                    ++m_pos;
                }
                out += QChar(char16_t(value));
                break;
            }
            default:
                if (e == u'\n') {
                    ++m_line;
                }
                out += e;
            }
        }
        return fail(QStringLiteral("the string opened on line %1 is never closed").arg(startLine));
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    QString m_error;
};

std::optional<QString> decode(const QByteArray& bytes) {
    auto encoding = QStringConverter::Utf8;
    if (bytes.startsWith("\xFF\xFE")) {
        encoding = QStringConverter::Utf16LE;
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = QStringConverter::Utf16BE;
    }
    // The decoder drops a leading byte-order mark by default.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<StringsFile::Table> StringsFile::parse(const QByteArray& bytes, QString* error) {
    const auto text = decode(bytes);
    if (!text) {
        if (error) {
            *error = QStringLiteral("the file is neither UTF-8 nor UTF-16 with a byte-order mark");
        }
        return std::nullopt;
    }
    Parser parser(*text);
    auto table = parser.run();
    if (!table && error) {
        *error = parser.error();
    }
    return table;
}

} // namespace fernholm
