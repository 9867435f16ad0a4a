#include "FernholmApp/pages/redaction/RedactionCategoryCard.h"

#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/controls/TriStateSwitch.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/pages/redaction/RedactionScreen.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// The padlock before "Organisation", drawn at 10 px in the caption's colour.
class LockGlyph final : public QWidget {
public:
    explicit LockGlyph(QWidget* parent = nullptr) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QSize sizeHint() const override { return QSize(10, 10); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Icons::paint(painter, QStringLiteral("lock"), QRectF(rect()), IconWeight::regular, Theme::faint.on(this));
    }
};

QWidget* lockMark() {
    auto* mark = new QWidget;
    auto* row = new QHBoxLayout(mark);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(new LockGlyph, 0, Qt::AlignVCenter);
    auto* text = new TextLabel(fernholm::tr("Organisation"), Fonts::sans(12, 400), Theme::faint);
    text->setMaxLines(1);
    row->addWidget(text, 0, Qt::AlignVCenter);
    mark->setToolTip(fernholm::tr("Required by your organisation; set in the Tarvine panel."));
    mark->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return mark;
}

TriStateSwitch::State switchState(const RedactionCategory& category) {
    return RedactionScreen::categoryState(category);
}

} // namespace

RedactionCategoryCard::RedactionCategoryCard(QWidget* parent)
    : Surface(Look{Theme::cardRadius, Theme::surface, Theme::cardEdge, true}, parent) {
    body()->setContentsMargins(0, 6, 0, 6);
    body()->setSpacing(0);

    auto* header = new QWidget;
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(20, 14, 20, 8);
    headerRow->setSpacing(8);
    m_name = new SectionLabel(QString(), Theme::faint);
    m_count = new TextLabel(QString(), Fonts::sans(12, 400), Theme::faint);
    m_count->setMaxLines(1);
    m_count->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_switch = new TriStateSwitch(Theme::switchOn, Theme::switchOff);
    headerRow->addWidget(m_name, 1, Qt::AlignVCenter);
    headerRow->addWidget(m_count, 0, Qt::AlignVCenter);
    headerRow->addWidget(m_switch, 0, Qt::AlignVCenter);
    body()->addWidget(header);

    auto* rows = new QWidget;
    m_rowsLayout = new QVBoxLayout(rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    body()->addWidget(rows);

    connect(m_switch, &TriStateSwitch::toggleRequested, this, &RedactionCategoryCard::categoryToggleRequested);
    setCategory(m_category);
}

void RedactionCategoryCard::setCategory(const RedactionCategory& category) {
    const auto keysOf = [](const RedactionCategory& c) {
        QStringList keys;
        for (const RedactionType& type : c.types) {
            keys << type.key;
        }
        return keys;
    };
    const bool sameTypes = keysOf(category) == keysOf(m_category) && m_rows.size() == category.types.size();
    m_category = category;

    const QString name = L10n::categoryName(category.key, category.display);
    m_name->setText(name);
    int on = 0;
    for (const RedactionType& type : category.types) {
        on += type.enabled ? 1 : 0;
    }
    m_count->setText(fernholm::tr("{on} of {all} on", {{"on", on}, {"all", category.types.size()}}));
    m_switch->setState(switchState(category));
    m_switch->setEnabled(!RedactionScreen::allLocked(category));
    m_switch->setLabel(fernholm::tr("All types in {name}", {{"name", name}}));

    if (!sameTypes) {
        for (Row& row : m_rows) {
            delete row.row;
        }
        m_rows.clear();
        for (const RedactionType& type : category.types) {
            m_rows.append(makeRow(type));
            m_rowsLayout->addWidget(m_rows.last().row);
        }
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        showRow(m_rows[i], category.types.at(i));
    }
}

RedactionCategoryCard::Row RedactionCategoryCard::makeRow(const RedactionType& type) {
    Row row;
    row.row = new QWidget;
    auto* line = new QHBoxLayout(row.row);
    line->setContentsMargins(20, 10, 20, 10);
    line->setSpacing(12);

    auto* texts = new QWidget;
    auto* stack = new QVBoxLayout(texts);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(2);
    row.name = new TextLabel(QString(), Fonts::sans(14, 500), Theme::ink);
    row.source = new TextLabel(QString(), Fonts::sans(12, 400), Theme::faint);
    row.source->setMaxLines(1);
    stack->addWidget(row.name);
    stack->addWidget(row.source);

    row.lockMark = lockMark();
    row.toggle = new VSwitch(VSwitch::Size::small, Theme::switchOn, Theme::switchOff);

    line->addWidget(texts, 1, Qt::AlignVCenter);
    line->addWidget(row.lockMark, 0, Qt::AlignVCenter);
    line->addWidget(row.toggle, 0, Qt::AlignVCenter);

    const QString key = type.key;
    connect(row.toggle, &VSwitch::toggleRequested, this, [this, key](bool on) { Q_EMIT typeToggleRequested(key, on); });
    return row;
}

void RedactionCategoryCard::showRow(Row& row, const RedactionType& type) {
    const QString name = L10n::typeName(type.key, type.display);
    row.name->setText(name);
    row.source->setText(RedactionScreen::sourceLabel(type.source));
    row.lockMark->setVisible(type.locked);
    row.toggle->setOn(type.enabled);
    row.toggle->setEnabled(!type.locked);
    row.toggle->setLabel(name);
    row.toggle->setAccessibleDescription(type.locked ? fernholm::tr("Required by your organisation") : QString());
}

} // namespace fernholm
