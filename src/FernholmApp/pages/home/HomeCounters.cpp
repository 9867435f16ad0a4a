#include "FernholmApp/pages/home/HomeCounters.h"

#include "FernholmApp/components/activity/StatusWidgets.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// One static text with the whole row's reading and no children.
class AccessibleCounters final : public QAccessibleWidget {
public:
    explicit AccessibleCounters(HomeCounters* counters) : QAccessibleWidget(counters, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return static_cast<const HomeCounters*>(widget())->spoken();
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::HomeCounters") && object && object->isWidgetType()) {
        return new AccessibleCounters(static_cast<HomeCounters*>(object));
    }
    return nullptr;
}

} // namespace

HomeCounters::HomeCounters(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            line->addWidget(new VerticalLine);
        }
        auto* cell = new QWidget;
        cell->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* cellColumn = new QVBoxLayout(cell);
        cellColumn->setContentsMargins(24, 20, 24, 20);
        cellColumn->setSpacing(6);
        auto* value = new TextLabel(QString(), Fonts::tracked(Fonts::display(36), -1.44), Theme::ink);
        value->setMaxLines(1);
        value->setMinimumScale(0.5);
        // Two lines: a label that agrees with its number can be long ("zastąpionych wartości").
        auto* label = new TextLabel(QString(), Fonts::sans(13, 400), Theme::dim);
        label->setMaxLines(2);
        cellColumn->addWidget(value);
        cellColumn->addWidget(label);
        cellColumn->addStretch(1);
        line->addWidget(cell, 1);
        m_values.append(value);
        m_labels.append(label);
    }
}

void HomeCounters::setCounters(const std::array<QString, 4>& values, const std::array<QString, 4>& labels) {
    QStringList spoken;
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        m_values.at(i)->setText(values.at(size_t(i)));
        m_labels.at(i)->setText(labels.at(size_t(i)));
        spoken << values.at(size_t(i)) + QLatin1Char(' ') + labels.at(size_t(i));
    }
    const QString joined = spoken.join(QStringLiteral(", "));
    if (joined == m_spoken) {
        return;
    }
    m_spoken = joined;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace fernholm
