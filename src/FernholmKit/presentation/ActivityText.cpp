#include "FernholmKit/presentation/ActivityText.h"

#include "FernholmKit/text/Graphemes.h"
#include "FernholmKit/text/L10n.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>

#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/regex.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>

namespace fernholm {

namespace {

// The gateway's timestamps in the internet date-time form: date with dashes, "T", time with
// colons and a zone of "Z" or "±HH:MM"; no fractional seconds, no lower-case letters, no
// date alone. Qt's own ISO reading accepts far more than this.
class TimestampParser {
public:
    TimestampParser()
        : m_pattern(QRegularExpression::anchoredPattern(
              QStringLiteral("([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})"
                             "(?:Z|([+-])([0-9]{2}):([0-9]{2}))"))) {
        m_pattern.optimize();
    }

    std::optional<Time> parse(const QString& text) const {
        using namespace std::chrono;
        const QRegularExpressionMatch match = m_pattern.match(text);
        if (!match.hasMatch()) {
            return std::nullopt;
        }
        const auto number = [&](int group) {
            return match.capturedView(group).toInt();
        };
        const year_month_day date{year(number(1)), month(static_cast<unsigned>(number(2))),
                                  day(static_cast<unsigned>(number(3)))};
        const int hour = number(4), minute = number(5), second = number(6);
        if (!date.ok() || hour > 23 || minute > 59 || second > 59) {
            return std::nullopt;
        }
        int offsetMinutes = 0;
        if (match.hasCaptured(7)) {
            const int offsetHour = number(8), offsetMinute = number(9);
            if (offsetHour > 23 || offsetMinute > 59) {
                return std::nullopt;
            }
            offsetMinutes = (offsetHour * 60 + offsetMinute) * (match.capturedView(7) == u'-' ? -1 : 1);
        }
        const sys_seconds instant =
            sys_days(date) + hours(hour) + minutes(minute) + seconds(second) - minutes(offsetMinutes);
        // A time point counts nanoseconds, which reach only the years 1678 to 2262; an instant
        // outside them is treated as no timestamp rather than wrapped around.
        const auto first = floor<seconds>(Time::min().time_since_epoch()) + seconds(1);
        const auto last = floor<seconds>(Time::max().time_since_epoch());
        if (instant.time_since_epoch() < first || instant.time_since_epoch() > last) {
            return std::nullopt;
        }
        return time_point_cast<Clock::duration>(instant);
    }

    // Made once and only read afterwards: a QRegularExpression may be matched from many threads.
    static const TimestampParser& shared() {
        static const TimestampParser parser;
        return parser;
    }

private:
    QRegularExpression m_pattern;
};

QTimeZone zoneOf(const Calendar& calendar) {
    return calendar.timeZone.isValid() ? calendar.timeZone : QTimeZone::utc();
}

QDateTime inZone(Time t, const Calendar& calendar) {
    const auto secs = std::chrono::floor<std::chrono::seconds>(t.time_since_epoch()).count();
    return QDateTime::fromSecsSinceEpoch(secs, zoneOf(calendar));
}

icu::UnicodeString toIcu(QStringView text) {
    const auto length = static_cast<int32_t>(std::min<qsizetype>(text.size(), std::numeric_limits<int32_t>::max()));
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), length);
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// The date in the locale's own short form for the skeleton ("MMMd": "Mar 5", "5 mar").
std::optional<QString> formatDate(QDate date, const QLocale& locale, const char* skeleton) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale icuLocale(locale.name().toLatin1().constData());
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(icuLocale, status));
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
    icu::SimpleDateFormat formatter(pattern, icuLocale, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    // Only the date is shown, so it is placed at noon UTC and formatted in UTC: the same day in
    // every zone, and Gregorian whatever calendar the locale prefers.
    auto* gregorian = new icu::GregorianCalendar(*icu::TimeZone::getGMT(), icuLocale, status);
    formatter.adoptCalendar(gregorian);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const UDate instant = static_cast<UDate>(QDateTime(date, QTime(12, 0), Qt::UTC).toMSecsSinceEpoch());
    icu::UnicodeString out;
    formatter.format(instant, out);
    return fromIcu(out);
}

// A decimal integer of ASCII digits with an optional "+", as a day key's parts are written. A
// number too large for any date still counts as a part, so it spoils the key instead of vanishing.
std::optional<qint64> dayKeyPart(QStringView part) {
    if (part.startsWith(u'+')) {
        part = part.sliced(1);
    }
    if (part.isEmpty()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (QChar c : part) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), std::numeric_limits<int>::max());
    }
    return value;
}

} // namespace

PillKind pillKind(const QString& eventStatus) {
    if (eventStatus == QLatin1String("redacted") || eventStatus == QLatin1String("document_redacted")) {
        return PillKind::redacted;
    }
    if (eventStatus == QLatin1String("blocked") || eventStatus == QLatin1String("document_blocked")) {
        return PillKind::blocked;
    }
    if (eventStatus == QLatin1String("unfiltered")) {
        return PillKind::unfiltered;
    }
    return PillKind::passed;
}

bool isExpandable(const QString& eventStatus) {
    const PillKind kind = pillKind(eventStatus);
    return kind == PillKind::redacted || kind == PillKind::blocked;
}

qsizetype itemCount(const Event& event) {
    return event.tokens.size();
}

QString activitySentence(const Event& event) {
    const bool upload = event.status.startsWith(QLatin1String("document_"));
    if (pillKind(event.status) == PillKind::blocked) {
        QString sentence = upload ? tr("Upload blocked") : trIn("sentence", "Blocked");
        if (event.reason && !event.reason->isEmpty()) {
            sentence += QLatin1String(": ") + (L10n::isPolish() ? L10n::sidecarText(*event.reason) : *event.reason);
        }
        return sentence;
    }
    const qsizetype n = event.tokens.size();
    const QString what = n > 0 ? L10n::plural(n, "{n} detail hidden", "{n} details hidden") : tr("Nothing to hide");
    return upload ? tr("{what} in upload", {{QStringLiteral("what"), what}}) : what;
}

std::optional<Time> eventDate(const QString& ts) {
    return TimestampParser::shared().parse(ts);
}

QString clockTime(const QString& ts) {
    const QList<qsizetype> b = graphemes::boundaries(ts);
    const qsizetype chars = b.size() - 1;
    const qsizetype start = chars < 11 ? 0 : 11;
    const qsizetype end = chars < 19 ? chars : 19;
    if (start >= end) {
        return QString();
    }
    return ts.mid(b[start], b[end] - b[start]);
}

QString activityTime(const QString& ts, const Calendar& calendar) {
    const std::optional<Time> date = eventDate(ts);
    if (!date) {
        return clockTime(ts);
    }
    const QTime time = inZone(*date, calendar).time();
    return QString::asprintf("%02d:%02d", std::max(time.hour(), 0), std::max(time.minute(), 0));
}

QString activityDay(const QString& ts, const Calendar& calendar) {
    const std::optional<Time> date = eventDate(ts);
    if (!date) {
        return graphemes::first(ts, 10);
    }
    const QDate day = inZone(*date, calendar).date();
    return QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
}

QString activityDayLabel(const QString& day, Time now, const Calendar& calendar) {
    QList<qint64> parts;
    for (QStringView part : QStringView(day).split(u'-', Qt::SkipEmptyParts)) {
        if (const std::optional<qint64> value = dayKeyPart(part)) {
            parts.append(*value);
        }
    }
    if (parts.size() != 3) {
        return day;
    }
    const bool inRange = std::all_of(parts.cbegin(), parts.cend(), [](qint64 p) { return p <= 999'999; });
    const QDate date = inRange ? QDate(int(parts[0]), int(parts[1]), int(parts[2])) : QDate();
    if (!date.isValid()) {
        return day;
    }
    const QDate today = inZone(now, calendar).date();
    if (date == today) {
        return tr("Today");
    }
    if (date == today.addDays(-1)) {
        return tr("Yesterday");
    }
    const QLocale locale = L10n::isPolish() ? QLocale(QStringLiteral("pl_PL")) : calendar.locale.value_or(QLocale());
    // A Polish heading names the month in full, in the genitive ("5 maja"): its short form is the
    // nominative ("5 maj").
    const bool thisYear = date.year() == today.year();
    const char* skeleton = L10n::isPolish() ? (thisYear ? "MMMMd" : "yMMMMd") : (thisYear ? "MMMd" : "yMMMd");
    return formatDate(date, locale, skeleton).value_or(day);
}

QString destinationLabel(const QString& surface) {
    if (surface == QLatin1String("chatgpt_web") || surface == QLatin1String("openai")) {
        return QStringLiteral("ChatGPT");
    }
    if (surface == QLatin1String("claude_web") || surface == QLatin1String("anthropic")) {
        return QStringLiteral("Claude");
    }
    if (surface == QLatin1String("gemini_web") || surface == QLatin1String("gemini_api")) {
        return QStringLiteral("Gemini");
    }
    if (surface == QLatin1String("spellbook_web")) {
        return QStringLiteral("Spellbook");
    }
    QString out;
    out.reserve(surface.size());
    qsizetype pos = 0;
    while (pos < surface.size()) {
        qsizetype end = pos;
        while (end < surface.size() && !surface.at(end).isSpace()) {
            ++end;
        }
        if (end > pos) {
            out += graphemes::capitalizedFirst(surface.mid(pos, end - pos).toLower());
        }
        while (end < surface.size() && surface.at(end).isSpace()) {
            out += surface.at(end++);
        }
        pos = end;
    }
    return out;
}

QString midTruncate(const QString& text, qsizetype keepStart, qsizetype keepEnd) {
    keepStart = std::max<qsizetype>(keepStart, 0);
    keepEnd = std::max<qsizetype>(keepEnd, 0);
    if (graphemes::count(text) <= keepStart + keepEnd + 1) {
        return text;
    }
    return graphemes::first(text, keepStart) + QStringLiteral("\u2026") + graphemes::last(text, keepEnd);
}

QString slugifyLabel(const QString& label) {
    const QString lower = label.toLower();
    QString slug;
    bool separator = false;
    for (QStringView character : graphemes::split(lower)) {
        const QChar c = character.front();
        const bool kept = character.size() == 1 && ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'));
        if (!kept) {
            separator = true;
            continue;
        }
        if (separator && !slug.isEmpty()) {
            slug += u'_';
        }
        separator = false;
        slug += c;
    }
    return slug.isEmpty() ? QStringLiteral("custom_secret") : slug;
}

bool promptPreviewIsClipped(const QString& text, qsizetype lineLimit) {
    return text.count(u'\n') + 1 > lineLimit || graphemes::count(text) > lineLimit * 100;
}

QList<DetectionDetail> dedupedByToken(const QList<DetectionDetail>& details) {
    QList<DetectionDetail> out;
    QSet<QString> seen;
    for (const DetectionDetail& detail : details) {
        if (!seen.contains(detail.token)) {
            seen.insert(detail.token);
            out.append(detail);
        }
    }
    return out;
}

QString startFailureText(qint32 code, const QString& tail) {
    // Compiled once; a pattern may be shared between threads, each search makes its own matcher.
    static const std::unique_ptr<icu::RegexPattern> portInUse = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        std::unique_ptr<icu::RegexPattern> pattern(
            icu::RegexPattern::compile(icu::UnicodeString(u"EADDRINUSE|Address already in use|errno 48\\b|errno 98\\b"),
                                       UREGEX_CASE_INSENSITIVE, parseError, status));
        return U_SUCCESS(status) ? std::move(pattern) : nullptr;
    }();
    bool found = false;
    if (portInUse) {
        const icu::UnicodeString input = toIcu(tail);
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::RegexMatcher> matcher(portInUse->matcher(input, status));
        found = U_SUCCESS(status) && matcher->find(status) && U_SUCCESS(status);
    }
    if (found) {
        return tr(
            "Another program is using a port Tarvine needs, so Tarvine could not start. Close that program or restart the computer, then open Tarvine again.");
    }
    return tr(
        "Tarvine's background service stopped while starting (code {code}). Restart Tarvine; if it keeps happening, report the problem with the details.",
        {{QStringLiteral("code"), TrArg(code)}});
}

} // namespace fernholm
