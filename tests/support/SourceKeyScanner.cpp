#include "support/SourceKeyScanner.h"

#include <QSet>

#include <optional>

namespace fernholm::test {

namespace {

struct Token {
    enum Kind { identifier, literal, punctuation, other };
    Kind kind = other;
    QString text; // identifier name, decoded literal value, or the punctuation itself
    int line = 0;
};

bool isIdentifierStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isIdentifierChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
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

void appendCodePoint(QByteArray& utf8, char32_t codePoint) {
    utf8 += QString::fromUcs4(&codePoint, 1).toUtf8();
}

class Lexer {
public:
    explicit Lexer(const QString& source) : m_s(source) {}

    QList<Token> run() {
        QList<Token> tokens;
        while (m_pos < m_s.size()) {
            const QChar c = m_s.at(m_pos);
            if (c == u'\n') {
                ++m_line;
                ++m_pos;
            } else if (c.isSpace()) {
                ++m_pos;
            } else if (startsWith(u"//")) {
                while (m_pos < m_s.size() && m_s.at(m_pos) != u'\n') {
                    ++m_pos;
                }
            } else if (startsWith(u"/*")) {
                const qsizetype end = m_s.indexOf(QLatin1String("*/"), m_pos + 2);
                const qsizetype stop = end < 0 ? m_s.size() : end + 2;
                m_line += int(QStringView(m_s).mid(m_pos, stop - m_pos).count(u'\n'));
                m_pos = stop;
            } else if (c.isDigit() || (c == u'.' && m_pos + 1 < m_s.size() && m_s.at(m_pos + 1).isDigit())) {
                skipNumber();
                tokens.append({Token::other, QString(), m_line});
            } else if (isIdentifierStart(c)) {
                const int line = m_line;
                const qsizetype start = m_pos;
                while (m_pos < m_s.size() && isIdentifierChar(m_s.at(m_pos))) {
                    ++m_pos;
                }
                const QString word = m_s.mid(start, m_pos - start);
                if (m_pos < m_s.size() && m_s.at(m_pos) == u'"' && isStringPrefix(word)) {
                    tokens.append({Token::literal, readString(word), line});
                } else if (m_pos < m_s.size() && m_s.at(m_pos) == u'\'' && isCharPrefix(word)) {
                    skipCharLiteral();
                    tokens.append({Token::other, QString(), line});
                } else {
                    tokens.append({Token::identifier, word, line});
                }
            } else if (c == u'"') {
                const int line = m_line;
                tokens.append({Token::literal, readString(QString()), line});
            } else if (c == u'\'') {
                skipCharLiteral();
                tokens.append({Token::other, QString(), m_line});
            } else if (startsWith(u"::") || startsWith(u"->")) {
                tokens.append({Token::punctuation, m_s.mid(m_pos, 2), m_line});
                m_pos += 2;
            } else {
                tokens.append({Token::punctuation, QString(c), m_line});
                ++m_pos;
            }
        }
        return tokens;
    }

private:
    bool startsWith(QStringView text) const { return QStringView(m_s).mid(m_pos).startsWith(text); }

    static bool isStringPrefix(const QString& word) {
        static const QSet<QString> prefixes{QStringLiteral("u8"), QStringLiteral("u"),  QStringLiteral("U"),
                                            QStringLiteral("L"),  QStringLiteral("R"),  QStringLiteral("u8R"),
                                            QStringLiteral("uR"), QStringLiteral("UR"), QStringLiteral("LR")};
        return prefixes.contains(word);
    }
    static bool isCharPrefix(const QString& word) {
        return word == QLatin1String("u8") || word == QLatin1String("u") || word == QLatin1String("U") ||
               word == QLatin1String("L");
    }

    void skipNumber() {
        // Digit separators (1'000) and exponents with signs belong to the number.
        while (m_pos < m_s.size()) {
            const QChar c = m_s.at(m_pos);
            if (isIdentifierChar(c) || c == u'.' ||
                (c == u'\'' && m_pos + 1 < m_s.size() && isIdentifierChar(m_s.at(m_pos + 1)))) {
                ++m_pos;
            } else if ((c == u'+' || c == u'-') && m_pos > 0 && QStringLiteral("eEpP").contains(m_s.at(m_pos - 1))) {
                ++m_pos;
            } else {
                break;
            }
        }
    }

    void skipCharLiteral() {
        ++m_pos; // the opening quote
        while (m_pos < m_s.size() && m_s.at(m_pos) != u'\'' && m_s.at(m_pos) != u'\n') {
            m_pos += m_s.at(m_pos) == u'\\' ? 2 : 1;
        }
        ++m_pos;
    }

    // At the opening quote; `prefix` is the encoding and raw prefix written before it.
    QString readString(const QString& prefix) {
        ++m_pos;
        const bool narrow = prefix.isEmpty() || prefix.startsWith(QLatin1String("u8"));
        QString value;
        if (prefix.endsWith(u'R')) {
            const qsizetype open = m_s.indexOf(u'(', m_pos);
            const QString delimiter = m_s.mid(m_pos, open - m_pos);
            const QString close = u')' + delimiter + u'"';
            const qsizetype end = m_s.indexOf(close, open + 1);
            const qsizetype stop = end < 0 ? m_s.size() : end;
            value = m_s.mid(open + 1, stop - open - 1);
            m_line += int(value.count(u'\n'));
            m_pos = end < 0 ? m_s.size() : end + close.size();
        } else {
            value = readEscaped(narrow);
        }
        // A user-defined literal suffix (_s, _L1, …) is part of the literal.
        while (m_pos < m_s.size() && isIdentifierChar(m_s.at(m_pos))) {
            ++m_pos;
        }
        return value;
    }

    // The body of an ordinary literal up to its closing quote. Narrow literals are UTF-8, so
    // \x and octal escapes are bytes of it; in the others they are code units.
    QString readEscaped(bool narrow) {
        QByteArray bytes;
        QString units;
        auto flush = [&] {
            if (!bytes.isEmpty()) {
                units += QString::fromUtf8(bytes);
                bytes.clear();
            }
        };
        auto appendNumber = [&](uint value) {
            if (narrow) {
                bytes += char(value & 0xFF);
            } else {
                flush();
                appendCodePointTo(units, char32_t(value));
            }
        };
        while (m_pos < m_s.size()) {
            const QChar c = m_s.at(m_pos++);
            if (c == u'"' || c == u'\n') { // a line break: broken source, stop at the line
                break;
            }
            if (c != u'\\' || m_pos >= m_s.size()) {
                flush();
                units += c;
                continue;
            }
            const QChar e = m_s.at(m_pos++);
            switch (e.unicode()) {
            case u'n':
                bytes += '\n';
                break;
            case u't':
                bytes += '\t';
                break;
            case u'r':
                bytes += '\r';
                break;
            case u'a':
                bytes += '\a';
                break;
            case u'b':
                bytes += '\b';
                break;
            case u'f':
                bytes += '\f';
                break;
            case u'v':
                bytes += '\v';
                break;
            case u'x': {
                uint value = 0;
                while (m_pos < m_s.size() && hexValue(m_s.at(m_pos)) >= 0) {
                    value = value * 16 + uint(hexValue(m_s.at(m_pos++)));
                }
                appendNumber(value);
                break;
            }
            case u'u':
            case u'U': {
                const int digits = e == u'u' ? 4 : 8;
                uint value = 0;
                for (int i = 0; i < digits && m_pos < m_s.size() && hexValue(m_s.at(m_pos)) >= 0; ++i) {
                    value = value * 16 + uint(hexValue(m_s.at(m_pos++)));
                }
                appendCodePoint(bytes, char32_t(value));
                break;
            }
            case u'\n':
                ++m_line; // a line continuation
                break;
            default:
                if (e >= u'0' && e <= u'7') {
                    uint value = uint(e.unicode() - u'0');
                    for (int i = 1; i < 3 && m_pos < m_s.size() && m_s.at(m_pos) >= u'0' && m_s.at(m_pos) <= u'7';
                         ++i) {
                        value = value * 8 + uint(m_s.at(m_pos++).unicode() - u'0');
                    }
                    appendNumber(value);
                } else {
                    flush();
                    units += e; // \" \' \\ \?
                }
            }
        }
        flush();
        return units;
    }

    static void appendCodePointTo(QString& units, char32_t codePoint) { units += QString::fromUcs4(&codePoint, 1); }

    const QString& m_s;
    qsizetype m_pos = 0;
    int m_line = 1;
};

// Words after which a name followed by "(" is a call rather than a declaration.
bool precedesExpression(const QString& word) {
    static const QSet<QString> words{
        QStringLiteral("return"), QStringLiteral("co_return"), QStringLiteral("co_yield"), QStringLiteral("co_await"),
        QStringLiteral("case"),   QStringLiteral("else"),      QStringLiteral("do"),       QStringLiteral("throw")};
    return words.contains(word);
}

bool isPunct(const QList<Token>& tokens, qsizetype i, QStringView text) {
    return i >= 0 && i < tokens.size() && tokens[i].kind == Token::punctuation && tokens[i].text == text;
}

// The qualifiers written before the name at `nameIndex` ("fernholm::L10n::tr" gives
// ["fernholm", "L10n"]), and the index of the token before them.
std::pair<QStringList, qsizetype> qualifiers(const QList<Token>& tokens, qsizetype nameIndex) {
    QStringList names;
    qsizetype i = nameIndex - 1;
    while (isPunct(tokens, i, u"::")) {
        if (i - 1 >= 0 && tokens[i - 1].kind == Token::identifier) {
            names.prepend(tokens[i - 1].text);
            i -= 2;
        } else {
            names.prepend(QString()); // a leading "::"
            i -= 1;
            break;
        }
    }
    return {names, i};
}

// The top-level arguments of the call whose "(" is at `open`, as token ranges [first, last).
QList<std::pair<qsizetype, qsizetype>> arguments(const QList<Token>& tokens, qsizetype open) {
    QList<std::pair<qsizetype, qsizetype>> out;
    int depth = 0;
    qsizetype start = open + 1;
    for (qsizetype i = open + 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind != Token::punctuation) {
            continue;
        }
        if (t.text == u"(" || t.text == u"[" || t.text == u"{") {
            ++depth;
        } else if (t.text == u")" || t.text == u"]" || t.text == u"}") {
            if (depth == 0) {
                if (i > start || !out.isEmpty()) {
                    out.append({start, i});
                }
                return out;
            }
            --depth;
        } else if (t.text == u"," && depth == 0) {
            out.append({start, i});
            start = i + 1;
        }
    }
    out.append({start, tokens.size()}); // unbalanced: the file ended inside the call
    return out;
}

// The text of an argument that is one string literal, bare or in QStringLiteral(...).
std::optional<QString> literalArgument(const QList<Token>& tokens, std::pair<qsizetype, qsizetype> range) {
    const auto [first, last] = range;
    if (last - first == 1 && tokens[first].kind == Token::literal) {
        return tokens[first].text;
    }
    if (last - first == 4 && tokens[first].kind == Token::identifier &&
        tokens[first].text == QLatin1String("QStringLiteral") && isPunct(tokens, first + 1, u"(") &&
        tokens[first + 2].kind == Token::literal && isPunct(tokens, first + 3, u")")) {
        return tokens[first + 2].text;
    }
    return std::nullopt;
}

QString describe(const QList<Token>& tokens, std::pair<qsizetype, qsizetype> range) {
    QStringList parts;
    for (qsizetype i = range.first; i < range.second && parts.size() < 8; ++i) {
        parts << (tokens[i].kind == Token::literal ? u'"' + tokens[i].text + u'"' : tokens[i].text);
    }
    return parts.join(u' ');
}

} // namespace

SourceKeyScanner::Result SourceKeyScanner::scan(const QString& source) {
    const QList<Token> tokens = Lexer(source).run();
    Result result;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& name = tokens[i];
        if (name.kind != Token::identifier || !isPunct(tokens, i + 1, u"(")) {
            continue;
        }
        const bool isNoop = name.text == QLatin1String("trNoop");
        const bool isTr = name.text == QLatin1String("tr") || isNoop;
        const bool isPlural = name.text == QLatin1String("plural");
        const bool isTrIn = name.text == QLatin1String("trIn");
        if (!isTr && !isPlural && !isTrIn) {
            continue;
        }
        const auto [quals, before] = qualifiers(tokens, i);
        // Only our own tr: unqualified, fernholm::, L10n:: or fernholm::L10n::; plural only as L10n::plural.
        const QString qualified = quals.join(QLatin1String("::"));
        const bool ours = isTrIn ? (qualified.isEmpty() || qualified == QLatin1String("fernholm"))
                          : isTr ? (qualified.isEmpty() || qualified == QLatin1String("fernholm") ||
                                    qualified == QLatin1String("L10n") || qualified == QLatin1String("fernholm::L10n"))
                                 : (qualified == QLatin1String("L10n") || qualified == QLatin1String("fernholm::L10n"));
        if (!ours) {
            continue;
        }
        if (isPunct(tokens, before, u".") || isPunct(tokens, before, u"->")) {
            continue; // a member of some object
        }
        if (before >= 0 && tokens[before].kind == Token::identifier && !precedesExpression(tokens[before].text)) {
            continue; // a declaration or definition: "QString tr(", "QString L10n::plural("
        }
        const auto args = arguments(tokens, i + 1);
        const QString call = quals.isEmpty() ? name.text : qualified + QLatin1String("::") + name.text;
        if (isTrIn) {
            const auto context = args.size() >= 2 ? literalArgument(tokens, args[0]) : std::nullopt;
            const auto text = args.size() >= 2 ? literalArgument(tokens, args[1]) : std::nullopt;
            if (context && text) {
                result.keys.append({*text + u'@' + *context, QString(), false, false, name.line});
            } else {
                result.problems.append({name.line, call + QLatin1String("(...) whose context and text are not two "
                                                                        "string literals")});
            }
        } else if (isTr) {
            if (args.isEmpty()) {
                result.problems.append({name.line, call + QLatin1String("() without a key")});
                continue;
            }
            if (auto key = literalArgument(tokens, args[0])) {
                // Qt's QObject has no trNoop: a bare one is ours even inside a Q_OBJECT class.
                result.keys.append({*key, QString(), false, quals.isEmpty() && !isNoop, name.line});
            } else {
                result.problems.append({name.line, call + QLatin1String("(...) whose key is not one string literal: ") +
                                                       describe(tokens, args[0])});
            }
        } else {
            if (args.size() < 3) {
                result.problems.append({name.line, call + QLatin1String("(...) with fewer than three arguments")});
                continue;
            }
            const auto one = literalArgument(tokens, args[1]);
            const auto other = literalArgument(tokens, args[2]);
            if (one && other) {
                result.keys.append({*other, *one, true, false, name.line});
            } else {
                result.problems.append({name.line, call + QLatin1String("(...) whose texts are not string literals: ") +
                                                       describe(tokens, one ? args[2] : args[1])});
            }
        }
    }
    return result;
}

} // namespace fernholm::test
