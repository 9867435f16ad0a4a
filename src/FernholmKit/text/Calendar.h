#pragma once

#include <QLocale>
#include <QTimeZone>

#include <optional>

namespace fernholm {

// The Gregorian calendar a caller reckons days in: its time zone and, when known, its locale.
// The application passes the user's; tests pass a fixed one.
struct Calendar {
    QTimeZone timeZone;
    std::optional<QLocale> locale;

    bool operator==(const Calendar&) const = default;
};

} // namespace fernholm
