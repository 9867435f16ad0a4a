#include "FernholmKit/presentation/Tour.h"

#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/text/L10n.h"

#include <algorithm>

namespace fernholm {

AppTab TourStep::tab() const {
    switch (m_value) {
    case home:
        return AppTab::home;
    case test:
        return AppTab::test;
    case studio:
        return AppTab::testDocument;
    case redaction:
        return AppTab::redaction;
    case sites:
        return AppTab::providers;
    }
    return AppTab::home;
}

TourCopy TourStep::copy() const {
    switch (m_value) {
    case home:
        return {
            fernholm::tr("Protection at a glance"),
            fernholm::tr(
                "When protection is on, personal details are hidden before anything reaches an AI chat. What Tarvine hid or blocked shows up under recent activity.")};
    case test:
        return {
            fernholm::tr("Try it on a prompt"),
            fernholm::tr(
                "We filled in a made-up prompt. Under “What the AI will see”, names and numbers become tokens. Paste a reply further down to get the real values back.")};
    case studio:
        return {
            fernholm::tr("Try a document"),
            fernholm::tr(
                "Files get the same check. Open a made-up sample file to see what Tarvine would hide before an upload.")};
    case redaction:
        return {
            fernholm::tr("Your own rules"),
            fernholm::tr(
                "Allowlist keeps a value visible, Blocklist always hides a word or phrase you choose. Both work on top of the built-in detection.")};
    case sites:
        return {fernholm::tr("Which sites are covered"),
                fernholm::tr("Providers lists the AI chat sites Tarvine watches. Switch each one on or off here.")};
    }
    return {};
}

const QString Tour::flagKey = QStringLiteral("hasSeenTour");

Tour::Tour(Defaults& defaults, QObject* parent) : QObject(parent), m_defaults(defaults) {}

TourStep Tour::step() const {
    return allTourSteps[static_cast<size_t>(std::clamp(m_index, 0, lastIndex))];
}

bool Tour::hasSeen() const {
    return m_defaults.boolean(flagKey).value_or(false);
}

void Tour::startIfUnseen(bool setupCompleted) {
    if (setupCompleted && !m_isActive && !hasSeen()) {
        restart();
    }
}

void Tour::restart() {
    setIndex(0);
    setActive(true);
}

void Tour::next() {
    if (!m_isActive) {
        return;
    }
    if (m_index >= lastIndex) {
        finish();
    } else {
        setIndex(m_index + 1);
    }
}

void Tour::back() {
    if (m_isActive && m_index > 0) {
        setIndex(m_index - 1);
    }
}

void Tour::skip() {
    if (m_isActive) {
        finish();
    }
}

QString Tour::samplePrompt(const QString& language) {
    if (language == QLatin1String("pl")) {
        return QStringLiteral("Napisz uprzejme przypomnienie o płatności dla Katarzyny Wiśniewskiej "
                              "(PESEL 85031512344), że kwotę 1250,00 zł trzeba wpłacić na konto "
                              "PL61 1090 1014 0000 0712 1981 2874 do końca tygodnia.");
    }
    return QStringLiteral("Write a polite payment reminder to Margaret Ellery (margaret.ellery@example.com, "
                          "+44 7700 900123) asking her to pay the £1,250.00 she owes into account "
                          "GB82 WEST 1234 5698 7654 32 by Friday.");
}

void Tour::setActive(bool active) {
    if (m_isActive != active) {
        m_isActive = active;
        Q_EMIT isActiveChanged(active);
    }
}

void Tour::setIndex(int index) {
    if (m_index != index) {
        m_index = index;
        Q_EMIT indexChanged(index);
    }
}

void Tour::finish() {
    setActive(false);
    m_defaults.setValue(flagKey, true);
}

} // namespace fernholm
