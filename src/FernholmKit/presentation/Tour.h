#pragma once

// The five-step guided tour over the main window's pages, shown once after the first-run setup.

#include "FernholmKit/presentation/AppTab.h"

#include <QObject>
#include <QString>

#include <array>

namespace fernholm {

class Defaults;

// The title and text of one tour card.
struct TourCopy {
    QString title;
    QString body;
    bool operator==(const TourCopy&) const = default;
};

// One step of the tour: the page it shows and the card shown over it.
class TourStep {
public:
    enum Value { home, test, studio, redaction, sites };

    constexpr TourStep(Value value) : m_value(value) {}

    constexpr Value value() const { return m_value; }
    AppTab tab() const;
    // In the current language.
    TourCopy copy() const;

    constexpr bool operator==(const TourStep&) const = default;

private:
    Value m_value;
};

inline constexpr std::array<TourStep, 5> allTourSteps{TourStep::home, TourStep::test, TourStep::studio,
                                                      TourStep::redaction, TourStep::sites};

inline size_t qHash(TourStep step, size_t seed = 0) {
    return ::qHash(static_cast<int>(step.value()), seed);
}

// The tour's state. The seen flag is written only when the tour is finished or skipped, so a
// tour left in the middle still counts as unseen.
class Tour final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isActive READ isActive NOTIFY isActiveChanged)
    Q_PROPERTY(int index READ index NOTIFY indexChanged)

public:
    // The user-defaults key of the seen flag (absent means false).
    static const QString flagKey;

    // Inactive at step 0. The defaults must outlive the tour.
    explicit Tour(Defaults& defaults, QObject* parent = nullptr);

    bool isActive() const { return m_isActive; }
    int index() const { return m_index; }
    TourStep step() const;
    bool isFirst() const { return m_index == 0; }
    bool isLast() const { return m_index == lastIndex; }
    bool hasSeen() const;

    // Starts only after the setup, when the tour is not running and was never seen.
    void startIfUnseen(bool setupCompleted);
    // Back to the first step and shown, whether seen or not; the flag is left as it is.
    void restart();
    // The next step; on the last step it ends the tour and records it as seen.
    void next();
    void back();
    // Ends the tour where it is and records it as seen.
    void skip();

    // The made-up prompt put into the workbench on the prompt step: Polish for "pl", else English.
    static QString samplePrompt(const QString& language);

Q_SIGNALS:
    void isActiveChanged(bool isActive);
    void indexChanged(int index);

private:
    static constexpr int lastIndex = static_cast<int>(allTourSteps.size()) - 1;

    void setActive(bool active);
    void setIndex(int index);
    void finish();

    Defaults& m_defaults;
    bool m_isActive = false;
    int m_index = 0;
};

} // namespace fernholm
