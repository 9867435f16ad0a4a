#include "FernholmApp/shell/Sidebar.h"

#include "FernholmApp/model/AppVersion.h"
#include "FernholmApp/components/controls/EnterKey.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/text/L10n.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal rowHeight = 40;
constexpr qreal rowInset = 12;
constexpr qreal iconBox = 18;
constexpr qreal labelGap = 12;
constexpr qreal rowRadius = 12;
constexpr qreal badgeSide = 18;
constexpr qreal badgeInset = 5;
constexpr qreal titleSize = 14;
constexpr qreal minimumTitleScale = 0.8;

QString badgeName(int count) {
    return L10n::plural(count, QStringLiteral("{n} alert"), QStringLiteral("{n} alerts"));
}

// A row is a button named by its title, selected when it shows the current page.
class AccessibleItem final : public QAccessibleWidget {
public:
    explicit AccessibleItem(SidebarItem* item) : QAccessibleWidget(item, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return item()->title();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = item()->isSelected();
        return s;
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name == pressAction()) {
            item()->click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

private:
    SidebarItem* item() const { return static_cast<SidebarItem*>(widget()); }
};

class AccessibleBadge final : public QAccessibleWidget {
public:
    explicit AccessibleBadge(SidebarBadge* badge) : QAccessibleWidget(badge, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return badgeName(static_cast<const SidebarBadge*>(widget())->count());
        }
        return QAccessibleWidget::text(t);
    }
};

// The status card reads as one text; its parts are not visited on their own.
class AccessibleStatusCard final : public QAccessibleWidget {
public:
    explicit AccessibleStatusCard(SidebarStatusCard* card) : QAccessibleWidget(card, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return static_cast<const SidebarStatusCard*>(widget())->spokenText();
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) {
        return nullptr;
    }
    if (className == QLatin1String("fernholm::SidebarItem")) {
        return new AccessibleItem(static_cast<SidebarItem*>(object));
    }
    if (className == QLatin1String("fernholm::SidebarBadge")) {
        return new AccessibleBadge(static_cast<SidebarBadge*>(object));
    }
    if (className == QLatin1String("fernholm::SidebarStatusCard")) {
        return new AccessibleStatusCard(static_cast<SidebarStatusCard*>(object));
    }
    return nullptr;
}

void installAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

// A plain 8-pt circle in a theme colour.
class Dot final : public QWidget {
public:
    explicit Dot(QWidget* parent) : QWidget(parent) { setFixedSize(8, 8); }
    void setColor(const ThemeColor& color) {
        m_color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_color.on(this));
        p.drawEllipse(QRectF(rect()));
    }

private:
    ThemeColor m_color = Theme::faint;
};

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

// --- Badge ---

SidebarBadge::SidebarBadge(QWidget* parent) : QWidget(parent) {
    installAccessibleFactory();
    setFont(Fonts::sans(11, 600));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SidebarBadge::setCount(int count, bool critical) {
    if (count == m_count && critical == m_critical) {
        return;
    }
    const bool grew = count != m_count;
    m_count = count;
    m_critical = critical;
    if (grew) {
        updateGeometry();
        if (QAccessible::isActive()) {
            QAccessibleEvent event(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
    }
    update();
}

QSize SidebarBadge::sizeHint() const {
    const qreal text = Text::size(QString::number(m_count), font(), 1e6).width();
    return QSize(ceilToInt(std::max(badgeSide, text + 2 * badgeInset)), int(badgeSide));
}

void SidebarBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    Paint::fill(p, Paint::capsule(box), (m_critical ? Theme::red : Theme::badgeAmber).on(this));
    p.setFont(font());
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, QString::number(m_count));
}

// --- Item ---

SidebarItem::SidebarItem(AppTab tab, const QString& title, const QString& icon, QList<AppTab> also, QWidget* parent)
    : QAbstractButton(parent), m_tab(tab), m_title(title), m_icon(icon), m_also(std::move(also)),
      m_badge(new SidebarBadge(this)) {
    installAccessibleFactory();
    m_badge->hide();
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(int(rowHeight));
}

bool SidebarItem::selects(AppTab selection) const {
    return selection == m_tab || m_also.contains(selection);
}

void SidebarItem::setSelected(bool selected) {
    if (selected == m_selected) {
        return;
    }
    m_selected = selected;
    update();
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void SidebarItem::setBadge(int count, bool critical) {
    m_badge->setCount(std::max(0, count), critical);
    m_badge->setVisible(count > 0);
    placeBadge();
    update();
}

QFont SidebarItem::titleFont() const {
    return Fonts::sans(titleSize, m_selected ? 600 : 500);
}

QRectF SidebarItem::titleRect() const {
    const qreal left = rowInset + iconBox + labelGap;
    qreal right = width() - rowInset;
    if (!m_badge->isHidden()) {
        right -= m_badge->sizeHint().width() + labelGap;
    }
    return QRectF(left, 0, std::max<qreal>(0, right - left), height());
}

QFont SidebarItem::shownTitleFont() const {
    return Text::shrunkToFit(m_title, titleFont(), titleRect().width(), minimumTitleScale);
}

QString SidebarItem::shownTitle() const {
    return Text::elidedLine(m_title, shownTitleFont(), titleRect().width());
}

QSize SidebarItem::sizeHint() const {
    return QSize(int(Theme::sidebarWidth - 32), int(rowHeight));
}

QSize SidebarItem::minimumSizeHint() const {
    return QSize(int(rowInset * 2 + iconBox), int(rowHeight));
}

void SidebarItem::placeBadge() {
    const QSize size = m_badge->sizeHint();
    m_badge->setGeometry(int(width() - rowInset - size.width()), (height() - size.height()) / 2, size.width(),
                         size.height());
}

void SidebarItem::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    placeBadge();
}

bool SidebarItem::hitButton(const QPoint& pos) const {
    return Paint::roundedRect(QRectF(rect()), rowRadius).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void SidebarItem::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    if (m_selected) {
        const QPainterPath shape = Paint::roundedRect(box.adjusted(0, 0, 0, -1), rowRadius);
        Paint::softShadow(p, shape, QColor(0, 0, 0, qRound(255 * 0.06)), 1, QPointF(0, 1));
        Paint::fill(p, shape, Theme::surface.on(this));
        Paint::strokeInside(p, box.adjusted(0, 0, 0, -1), rowRadius, Theme::cardEdge.on(this));
    }
    const QColor ink = (m_selected ? Theme::ink : Theme::dim).on(this);
    const QRectF iconRect(rowInset, (height() - iconBox) / 2, iconBox, iconBox);
    // A 15-pt symbol in an 18-pt frame.
    Icons::paint(p, m_icon, iconRect.adjusted(1.5, 1.5, -1.5, -1.5), IconWeight::light, ink);
    const QFont font = shownTitleFont();
    const QRectF title = titleRect();
    p.setFont(font);
    p.setPen(ink);
    p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, Text::elidedLine(m_title, font, title.width()));
    if (FocusRing::visible(this)) {
        FocusRing::paint(p, box, rowRadius, ink);
    }
}

// --- Status card ---

SidebarStatusCard::SidebarStatusCard(ProtectionSummary summary, const QString& versionLine, QWidget* parent)
    : QWidget(parent), m_summary(summary) {
    installAccessibleFactory();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(10);
    auto* dot = new Dot(this);
    dot->setObjectName(QStringLiteral("dot"));
    dot->setColor(dotColor(summary));
    row->addWidget(dot, 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(2);
    m_label = new TextLabel(label(summary), Fonts::sans(12, 600), Theme::ink, this);
    m_label->setMaxLines(1);
    m_version = new SelectableText(versionLine, Fonts::sans(12, 400), Theme::dim, this);
    lines->addWidget(m_label);
    lines->addWidget(m_version);
    row->addLayout(lines, 1);
}

const ThemeColor& SidebarStatusCard::dotColor(ProtectionSummary summary) {
    switch (summary) {
    case ProtectionSummary::notProtected:
        return Theme::red;
    case ProtectionSummary::needsAttention:
        return Theme::sidebarAmber;
    case ProtectionSummary::protected_:
        return Theme::switchOn;
    case ProtectionSummary::paused:
    case ProtectionSummary::checking:
        break;
    }
    return Theme::faint;
}

void SidebarStatusCard::setSummary(ProtectionSummary summary) {
    m_summary = summary;
    m_label->setText(label(summary));
    if (auto* dot = findChild<Dot*>(QStringLiteral("dot"))) {
        dot->setColor(dotColor(summary));
    }
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString SidebarStatusCard::versionLine() const {
    return m_version->text();
}

void SidebarStatusCard::setVersionLine(const QString& line) {
    if (line != m_version->text()) {
        m_version->setText(line);
    }
}

QString SidebarStatusCard::spokenText() const {
    return m_label->text() + QLatin1String(", ") + m_version->text();
}

void SidebarStatusCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    Paint::fill(p, Paint::roundedRect(QRectF(rect()), 14), Theme::sidebarCard.on(this));
}

// --- Sidebar ---

Sidebar::Sidebar(AppTab selection, ProtectionSummary summary, const AlertLayout& layout, QWidget* parent)
    : QWidget(parent), m_selection(selection) {
    setFixedWidth(int(Theme::sidebarWidth));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 28, 16, 20);
    column->setSpacing(28);

    auto* wordmark = new TextLabel(QStringLiteral("Tarvine"), Fonts::tracked(Fonts::display(27), -1.08), Theme::ink,
                                   this);
    wordmark->setHeading(true);
    wordmark->setMaxLines(1);
    wordmark->setContentsMargins(0, 0, 0, 0);
    auto* wordmarkBox = new QVBoxLayout;
    wordmarkBox->setContentsMargins(10, 18, 10, 0);
    wordmarkBox->addWidget(wordmark);
    column->addLayout(wordmarkBox);

    auto* navigation = new QVBoxLayout;
    navigation->setSpacing(22);
    auto* top = new QVBoxLayout;
    top->setSpacing(2);
    top->addWidget(makeItem(AppTab::home, fernholm::tr("Home"), QStringLiteral("house")));
    top->addWidget(makeItem(AppTab::activity, fernholm::tr("Activity"), QStringLiteral("waveform.path.ecg")));
    navigation->addLayout(top);
    const auto group = [&](const QString& caption, QList<SidebarItem*> items) {
        auto* box = new QVBoxLayout;
        box->setSpacing(2);
        auto* heading = new SectionLabel(caption, Theme::faint, this);
        auto* headingBox = new QVBoxLayout;
        headingBox->setContentsMargins(12, 0, 12, 6);
        headingBox->addWidget(heading);
        box->addLayout(headingBox);
        for (SidebarItem* item : items) {
            box->addWidget(item);
        }
        navigation->addLayout(box);
    };
    group(fernholm::tr("Protection"),
          {makeItem(AppTab::providers, fernholm::tr("Providers"), QStringLiteral("globe")),
           makeItem(AppTab::redaction, fernholm::tr("Redaction rules"), QStringLiteral("shield"))});
    group(fernholm::tr("Studio"), {makeItem(AppTab::test, fernholm::tr("Prompts"), QStringLiteral("text.alignleft")),
                                   makeItem(AppTab::testDocument, fernholm::tr("Documents"), QStringLiteral("doc"))});
    column->addLayout(navigation);
    column->addStretch(1);

    auto* bottom = new QVBoxLayout;
    bottom->setSpacing(2);
    bottom->addWidget(makeItem(AppTab::settings, fernholm::tr("Settings"), QStringLiteral("slider.horizontal.3"),
                               {AppTab::setup}));
    bottom->addSpacing(14);
    m_card = new SidebarStatusCard(summary, versionLine(appVersion()), this);
    bottom->addWidget(m_card);
    column->addLayout(bottom);

    setAlertLayout(layout);
    for (SidebarItem* item : m_items) {
        item->setSelected(item->selects(m_selection));
    }
}

SidebarItem* Sidebar::makeItem(AppTab tab, const QString& title, const QString& icon, QList<AppTab> also) {
    auto* item = new SidebarItem(tab, title, icon, std::move(also), this);
    connect(item, &QAbstractButton::clicked, this, [this, tab] { Q_EMIT selectionWritten(tab); });
    m_items << item;
    return item;
}

SidebarItem* Sidebar::item(AppTab tab) const {
    for (SidebarItem* item : m_items) {
        if (item->tab() == tab) {
            return item;
        }
    }
    return nullptr;
}

void Sidebar::setSelection(AppTab selection) {
    m_selection = selection;
    for (SidebarItem* item : m_items) {
        item->setSelected(item->selects(selection));
    }
}

ProtectionSummary Sidebar::summary() const {
    return m_card->summary();
}

void Sidebar::setSummary(ProtectionSummary summary) {
    m_card->setSummary(summary);
}

void Sidebar::setAlertLayout(const AlertLayout& layout) {
    m_layout = layout;
    if (SidebarItem* home = item(AppTab::home)) {
        home->setBadge(layout.badgeCount(), !layout.critical.isEmpty());
    }
}

void Sidebar::setVersion(const std::optional<QString>& version) {
    m_card->setVersionLine(versionLine(version));
}

QString Sidebar::versionLine(const std::optional<QString>& version) {
    if (version && !version->trimmed().isEmpty()) {
        return QStringLiteral("Tarvine ") + version->trimmed();
    }
    return fernholm::tr("Tarvine (development build)");
}

void Sidebar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Theme::sidebar.on(this));
}

void SidebarItem::keyPressEvent(QKeyEvent* event) {
    if (!pressOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}

} // namespace fernholm
