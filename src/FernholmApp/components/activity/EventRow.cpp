#include "FernholmApp/components/activity/EventRow.h"

#include "FernholmApp/components/controls/EnterKey.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/text/StatusPill.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

#include <algorithm>
#include <numbers>

namespace fernholm {

namespace {

constexpr int maxChips = 4;

// A symbol in a square, optionally turned over; decoration only.
class Symbol : public QWidget {
public:
    Symbol(const QString& name, int size, const ThemeColor& color, QWidget* parent)
        : QWidget(parent), m_name(name), m_size(size), m_color(color) {
        setFixedSize(size, size);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    bool isTurned() const { return m_turned; }
    void setTurned(bool turned) {
        if (turned != m_turned) {
            m_turned = turned;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (m_turned) {
            painter.translate(width() / 2.0, height() / 2.0);
            painter.rotate(180);
            painter.translate(-width() / 2.0, -height() / 2.0);
        }
        Icons::paint(painter, m_name, QRectF(0, 0, m_size, m_size), IconWeight::light, m_color.on(this));
    }

private:
    QString m_name;
    int m_size;
    ThemeColor m_color;
    bool m_turned = false;
};

void passMouseThrough(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
}

} // namespace

EventRow::EventRow(const Event& event, bool isExpanded, bool expandable, bool showTokens, qreal verticalPadding,
                   std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), m_event(event), m_expanded(isExpanded), m_expandable(expandable),
      m_showTokens(showTokens), m_padding(verticalPadding), m_action(std::move(action)),
      m_calendar{QTimeZone::systemTimeZone(), QLocale()} {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);

    m_row = new QHBoxLayout(this);
    m_row->setSpacing(16);

    m_time = new TextLabel(QString(), Fonts::sans(13), Theme::dim, this);
    m_time->setMaxLines(1);
    m_time->setFixedWidth(44);
    passMouseThrough(m_time);
    m_row->addWidget(m_time, 0, Qt::AlignVCenter);

    auto* destination = new QWidget(this);
    destination->setFixedWidth(104);
    passMouseThrough(destination);
    auto* destinationRow = new QHBoxLayout(destination);
    destinationRow->setContentsMargins(0, 0, 0, 0);
    destinationRow->setSpacing(8);
    m_logo = new ProviderLogo(m_event.surface, 16, destination);
    destinationRow->addWidget(m_logo, 0, Qt::AlignVCenter);
    m_destination = new TextLabel(QString(), Fonts::sans(14, 500), Theme::ink, destination);
    m_destination->setMaxLines(1);
    destinationRow->addWidget(m_destination, 1, Qt::AlignVCenter);
    m_row->addWidget(destination, 0, Qt::AlignVCenter);

    auto* what = new QWidget(this);
    // The cell never widens the row: its chips shrink, each cutting its token with "…", and
    // whatever still does not fit is clipped at the cell's edge.
    what->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    passMouseThrough(what);
    m_tokenCell = what;
    what->installEventFilter(this);
    auto* whatRow = new QHBoxLayout(what);
    whatRow->setSizeConstraint(QLayout::SetNoConstraint);
    whatRow->setContentsMargins(0, 0, 0, 0);
    whatRow->setSpacing(6);
    m_docIcon = new Symbol(QStringLiteral("doc"), 12, Theme::dim, what);
    whatRow->addWidget(m_docIcon, 0, Qt::AlignVCenter);
    for (int i = 0; i < maxChips; ++i) {
        auto* chip = new TokenChip(QString(), 12, what);
        passMouseThrough(chip);
        m_chips.append(chip);
        whatRow->addWidget(chip, 0, Qt::AlignVCenter);
    }
    m_overflow = new TextLabel(QString(), Fonts::sans(12), Theme::dim, what);
    m_overflow->setMaxLines(1);
    passMouseThrough(m_overflow);
    whatRow->addWidget(m_overflow, 0, Qt::AlignVCenter);
    m_sentence = new TextLabel(QString(), Fonts::sans(14), Theme::ink, what);
    m_sentence->setMaxLines(1);
    m_sentence->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    passMouseThrough(m_sentence);
    whatRow->addWidget(m_sentence, 1, Qt::AlignVCenter);
    whatRow->addStretch(0);
    m_row->addWidget(what, 1, Qt::AlignVCenter);

    m_pill = new StatusPill(pillKind(m_event.status), this);
    passMouseThrough(m_pill);
    m_row->addWidget(m_pill, 0, Qt::AlignVCenter);

    m_chevron = new Symbol(QStringLiteral("chevron.down"), 11, Theme::faint, this);
    m_row->addWidget(m_chevron, 0, Qt::AlignVCenter);

    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_expandable && m_action) {
            m_action();
        }
    });
    refresh();
}

EventRow::~EventRow() = default;

void EventRow::setEvent(const Event& event) {
    if (event == m_event) {
        return;
    }
    m_event = event;
    refresh();
}

void EventRow::setExpanded(bool expanded) {
    if (expanded == m_expanded) {
        return;
    }
    m_expanded = expanded;
    refresh();
}

void EventRow::setExpandable(bool expandable) {
    if (expandable == m_expandable) {
        return;
    }
    m_expandable = expandable;
    refresh();
}

void EventRow::setShowTokens(bool showTokens) {
    if (showTokens == m_showTokens) {
        return;
    }
    m_showTokens = showTokens;
    refresh();
}

void EventRow::setVerticalPadding(qreal padding) {
    if (padding == m_padding) {
        return;
    }
    m_padding = padding;
    refresh();
}

void EventRow::setAction(std::function<void()> action) {
    m_action = std::move(action);
}

void EventRow::setCalendar(const Calendar& calendar) {
    if (calendar == m_calendar) {
        return;
    }
    m_calendar = calendar;
    refresh();
}

bool EventRow::showsTokens(const Event& event, bool showTokens) {
    return showTokens && pillKind(event.status) == PillKind::redacted && !event.tokens.isEmpty();
}

QString EventRow::overflowLabel(qsizetype count) {
    return count > maxChips ? QStringLiteral("+") + QString::number(count - maxChips) : QString();
}

bool EventRow::showsDocumentIcon() const {
    return !m_docIcon->isHidden();
}

QList<TokenChip*> EventRow::shownChips() const {
    QList<TokenChip*> shown;
    for (TokenChip* chip : m_chips) {
        if (!chip->isHidden()) {
            shown.append(chip);
        }
    }
    return shown;
}

QString EventRow::overflowText() const {
    return m_overflow->isHidden() ? QString() : m_overflow->text();
}

TextLabel* EventRow::sentence() const {
    return m_sentence->isHidden() ? nullptr : m_sentence;
}

bool EventRow::chevronTurned() const {
    return static_cast<Symbol*>(m_chevron)->isTurned();
}

void EventRow::refresh() {
    const int padding = qRound(m_padding);
    m_row->setContentsMargins(20, padding, 20, padding);
    setEnabled(m_expandable);

    m_time->setText(activityTime(m_event.ts, m_calendar));
    m_logo->setName(m_event.surface);
    m_destination->setText(fernholm::destinationLabel(m_event.surface));

    const PillKind kind = pillKind(m_event.status);
    m_docIcon->setVisible(m_event.status.startsWith(QStringLiteral("document_")));
    const bool tokens = showsTokens(m_event, m_showTokens);
    for (int i = 0; i < maxChips; ++i) {
        const bool shown = tokens && i < m_event.tokens.size();
        if (shown) {
            m_chips[i]->setToken(m_event.tokens[i]);
        }
        m_chips[i]->setVisible(shown);
    }
    const QString overflow = tokens ? overflowLabel(m_event.tokens.size()) : QString();
    m_overflow->setText(overflow);
    m_overflow->setMinimumWidth(m_overflow->sizeHint().width());
    m_overflow->setVisible(!overflow.isEmpty());
    m_sentence->setText(activitySentence(m_event));
    m_sentence->setColor(kind == PillKind::passed ? Theme::dim : Theme::ink);
    m_sentence->setVisible(!tokens);

    shareTokenWidth();
    m_pill->setKind(kind);
    m_chevron->setVisible(m_expandable);
    static_cast<Symbol*>(m_chevron)->setTurned(m_expanded);
    updateAccessibleName();
    update();
}

void EventRow::updateAccessibleName() {
    QStringList parts{m_time->text(), m_destination->text()};
    parts << (showsTokens(m_event, m_showTokens) ? m_event.tokens.join(QLatin1Char(' ')) : activitySentence(m_event));
    parts << m_pill->text();
    setAccessibleName(parts.join(QStringLiteral(", ")));
}

void EventRow::paintEvent(QPaintEvent*) {
    if (!m_expandable || !(m_hovering || FocusRing::visible(this))) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), Theme::inset.on(this));
    if (FocusRing::visible(this)) {
        // The inset fill alone is too faint to tell where the keyboard is.
        painter.setRenderHint(QPainter::Antialiasing);
        FocusRing::paint(painter, QRectF(rect()), 10, Theme::ink.on(this), 3);
    }
}

void EventRow::enterEvent(QEnterEvent* event) {
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void EventRow::leaveEvent(QEvent* event) {
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void EventRow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        refresh();
    }
    QAbstractButton::changeEvent(event);
}

bool EventRow::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void EventRow::keyPressEvent(QKeyEvent* event) {
    if (!pressOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}

bool EventRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tokenCell && event->type() == QEvent::Resize) {
        shareTokenWidth();
    }
    return QAbstractButton::eventFilter(watched, event);
}

void EventRow::shareTokenWidth() {
    const auto* row = static_cast<QHBoxLayout*>(m_tokenCell->layout());
    const int spacing = row->spacing();
    QList<TokenChip*> shown;
    for (TokenChip* chip : std::as_const(m_chips)) {
        if (!chip->isHidden()) {
            shown.append(chip);
        }
    }
    if (shown.isEmpty()) {
        return;
    }
    int room = m_tokenCell->width() - spacing * int(shown.size() - 1);
    if (!m_docIcon->isHidden()) {
        room -= m_docIcon->width() + spacing;
    }
    if (!m_overflow->isHidden()) {
        room -= m_overflow->sizeHint().width() + spacing;
    }
    int laterMinimum = 0;
    for (const TokenChip* chip : std::as_const(shown)) {
        laterMinimum += chip->minimumSizeHint().width();
    }
    for (TokenChip* chip : std::as_const(shown)) {
        const int minimum = chip->minimumSizeHint().width();
        laterMinimum -= minimum;
        const int width = std::clamp(room - laterMinimum, minimum, chip->sizeHint().width());
        chip->setMaximumWidth(width);
        room -= width;
    }
}

} // namespace fernholm
