#pragma once

#include <QList>
#include <QString>

namespace fernholm::test {

// Finds the translation keys in C++ source text: the key of every tr(…), fernholm::tr(…) and
// L10n::tr(…) call, "<text>@<context>" of every trIn("context", "text", …) call and the two
// texts of every L10n::plural(count, "one", "other", …) call.
// A key may be a plain, u8/u/U/L or raw literal, with a user-defined suffix (u"…"_s), or one
// wrapped in QStringLiteral(…). Comments, strings and character literals are skipped; calls may
// span lines. Declarations (a type name before the function name) and calls of other classes'
// tr (QObject::tr, object.tr) are not keys.
class SourceKeyScanner {
public:
    struct Key {
        QString text; // the tr key, or the "other" text of a plural call
        QString one;  // plural calls: the "one" text
        bool plural = false;
        bool unqualified = false; // tr(…) without fernholm:: or L10n::
        int line = 0;
        bool operator==(const Key&) const = default;
    };
    // A call whose key the scanner cannot read: a variable, an expression, concatenated literals.
    struct Problem {
        int line = 0;
        QString what;
        bool operator==(const Problem&) const = default;
    };
    struct Result {
        QList<Key> keys;
        QList<Problem> problems;
    };

    static Result scan(const QString& source);
};

} // namespace fernholm::test
