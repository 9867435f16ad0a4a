#pragma once

// The short texts and flags of the activity log, the request detail, the popover's recent
// requests, the redaction rules page and the start-failure message.

#include "FernholmKit/text/Calendar.h"
#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/Time.h"

#include <QList>
#include <QString>

#include <optional>

namespace fernholm {

// The outcome pill of an event.
enum class PillKind { redacted, passed, blocked, unfiltered };

PillKind pillKind(const QString& eventStatus);
// Whether the row of an event with this status opens to show its details.
bool isExpandable(const QString& eventStatus);
// The number of placeholder tokens of the event.
qsizetype itemCount(const Event& event);
// The row's one-line summary, in the current language.
QString activitySentence(const Event& event);

// The instant of a gateway timestamp: "2025-03-05T14:07:09Z" or "…+02:00", nothing else.
std::optional<Time> eventDate(const QString& ts);
// Hours, minutes and seconds as written in the timestamp (characters 11 to 18), whatever it holds.
QString clockTime(const QString& ts);
// "HH:MM" of the timestamp in the calendar's zone; clockTime when it does not parse.
QString activityTime(const QString& ts, const Calendar& calendar);
// "YYYY-MM-DD" of the timestamp in the calendar's zone (the key of a day group); the first 10
// characters when it does not parse.
QString activityDay(const QString& ts, const Calendar& calendar);
// The heading of a day group: "Today", "Yesterday" or the localized date, with the year only
// when it differs from the year of now. A key that is no date comes back unchanged.
QString activityDayLabel(const QString& day, Time now, const Calendar& calendar);

// The display name of the AI service behind a surface; unknown surfaces capitalized word by word.
QString destinationLabel(const QString& surface);
// The text with its middle replaced by "…" when it is longer than keepStart + keepEnd + 1 characters.
QString midTruncate(const QString& text, qsizetype keepStart, qsizetype keepEnd);
// The identifier of a custom rule made from the user's label: lower-case ASCII letters and digits,
// runs of anything else as one "_"; "custom_secret" when nothing is left.
QString slugifyLabel(const QString& label);
// Whether a preview limited to lineLimit lines (of about 100 characters) cuts the text short.
bool promptPreviewIsClipped(const QString& text, qsizetype lineLimit);
// The details in their order, only the first of each token.
QList<DetectionDetail> dedupedByToken(const QList<DetectionDetail>& details);
// What to tell the user when the gateway exited while starting; tail is the end of its
// standard-error output.
QString startFailureText(qint32 code, const QString& tail);

} // namespace fernholm
