#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace fernholm {

// The old-style strings-table format of "Localizable.strings":
//
//     /* comment */  // comment
//     "key" = "value";
//     key2 = "value with \"quotes\", \\, \n, \t and \U00e9";
//     "key3";                      (the value is the key itself)
//
// Keys and values are quoted with " or ', or unquoted runs of letters, digits and _$/:.-.
// Escapes: \a \b \f \n \r \t \v, \U or \u followed by up to four hex digits (a UTF-16 code
// unit), up to three octal digits, and a backslash before any other character stands for that
// character. UTF-8, or UTF-16 with a byte-order mark. A later duplicate key replaces the earlier.
class StringsFile {
public:
    using Table = QHash<QString, QString>;

    // Nothing when the bytes are not a well-formed table (a value that is not a string counts
    // as malformed); `error` then says where and why.
    static std::optional<Table> parse(const QByteArray& bytes, QString* error = nullptr);
};

} // namespace fernholm
