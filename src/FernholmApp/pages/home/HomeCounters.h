#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <array>

namespace fernholm {

class TextLabel;

// The home page's four counters side by side, each a big figure over the words that go with it.
//
//     auto* counters = new HomeCounters;
//     counters->setCounters(state.counters, state.counterLabels);
//
// Assistive technology reads the row as one element, "12 values replaced, 3 messages redacted,
// …": its figures and labels are kept out of the accessibility tree, so nothing is read twice.
class HomeCounters : public QWidget {
    Q_OBJECT
public:
    explicit HomeCounters(QWidget* parent = nullptr);

    void setCounters(const std::array<QString, 4>& values, const std::array<QString, 4>& labels);
    // What assistive technology reads: each figure with its words, in order.
    QString spoken() const { return m_spoken; }

    QList<TextLabel*> values() const { return m_values; }
    QList<TextLabel*> labels() const { return m_labels; }

private:
    QList<TextLabel*> m_values;
    QList<TextLabel*> m_labels;
    QString m_spoken;
};

} // namespace fernholm
