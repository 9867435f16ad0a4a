#include "FernholmApp/components/alerts/Banner.h"

#include "FernholmApp/components/text/SelectableText.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace fernholm {

namespace {

constexpr int padding = 14;
constexpr int rowSpacing = 12;
constexpr int columnSpacing = 3;
constexpr int topWithTitle = 3;
constexpr int topWithoutTitle = 5;
constexpr int actionSpacing = 8;
constexpr int aboveActions = 6;
constexpr int iconFrame = 28;
constexpr qreal iconSize = 14;

struct Colors {
    ThemeColor fill;
    ThemeColor edge;
    ThemeColor symbol;
    ThemeColor symbolBackground;
};

Colors colorsOf(BannerKind kind) {
    if (kind == BannerKind::warning) {
        return {Theme::warningBg, Theme::warningEdge, Theme::warningInk, Theme::warningIconBg};
    }
    return {Theme::redBg, Theme::red.opacity(0.22), Theme::red, Theme::redBg};
}

// The round icon at the banner's top left.
class BannerIcon final : public QWidget {
public:
    explicit BannerIcon(const Banner* banner, QWidget* parent) : QWidget(parent), m_banner(banner) {
        setFixedSize(iconFrame, iconFrame);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Colors colors = colorsOf(m_banner->kind());
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath circle;
        circle.addEllipse(QRectF(rect()));
        Paint::fill(painter, circle, colors.symbolBackground.on(this));
        const QString symbol = m_banner->kind() == BannerKind::warning ? QStringLiteral("exclamationmark.triangle")
                                                                       : QStringLiteral("exclamationmark.circle");
        const QPointF centre = QRectF(rect()).center();
        Icons::paint(painter, symbol, QRectF(centre - QPointF(iconSize / 2, iconSize / 2), QSizeF(iconSize, iconSize)),
                     IconWeight::regular, colors.symbol.on(this));
    }

private:
    const Banner* m_banner;
};

} // namespace

Banner::Banner(BannerKind kind, const std::optional<QString>& title, const QString& message,
               const QList<QWidget*>& actions, QWidget* parent)
    : QWidget(parent), m_kind(kind) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(rowSpacing);

    m_icon = new BannerIcon(this, this);
    row->addWidget(m_icon, 0, Qt::AlignTop);

    m_column = new QVBoxLayout;
    m_column->setSpacing(columnSpacing);
    row->addLayout(m_column, 1);

    m_title = new TextLabel(QString(), Fonts::sans(14, 600), Theme::ink, this);
    m_column->addWidget(m_title);

    m_message = new SelectableText(message, Fonts::sans(13, 400), Theme::ink, this);
    m_column->addWidget(m_message);

    m_actionRow = new QWidget(this);
    m_actionLayout = new QHBoxLayout(m_actionRow);
    m_actionLayout->setContentsMargins(0, aboveActions, 0, 0);
    m_actionLayout->setSpacing(actionSpacing);
    m_actionLayout->addStretch(1);
    m_column->addWidget(m_actionRow);

    setTitle(title);
    setActions(actions);
}

void Banner::setKind(BannerKind kind) {
    m_kind = kind;
    update();
    m_icon->update();
}

std::optional<QString> Banner::title() const {
    return m_hasTitle ? std::optional<QString>(m_title->text()) : std::nullopt;
}

void Banner::setTitle(const std::optional<QString>& title) {
    m_hasTitle = title.has_value();
    m_title->setText(title.value_or(QString()));
    arrange();
}

QString Banner::message() const {
    return m_message->text();
}

void Banner::setMessage(const QString& message) {
    m_message->setText(message);
    relayout();
}

void Banner::setActions(const QList<QWidget*>& actions) {
    for (QWidget* old : std::as_const(m_actions)) {
        m_actionLayout->removeWidget(old);
        if (!actions.contains(old)) {
            delete old;
        }
    }
    m_actions = actions;
    for (int i = 0; i < m_actions.size(); ++i) {
        m_actionLayout->insertWidget(i, m_actions[i], 0, Qt::AlignVCenter);
    }
    arrange();
}

void Banner::arrange() {
    m_title->setVisible(m_hasTitle);
    m_message->setColor(m_hasTitle ? Theme::dim : Theme::ink);
    m_column->setContentsMargins(0, m_hasTitle ? topWithTitle : topWithoutTitle, 0, 0);
    m_actionRow->setVisible(!m_actions.isEmpty());
    relayout();
}

void Banner::relayout() {
    // The height for a width changes with what is shown: forget the heights the layouts keep
    // (each box layout keeps its own) and let the enclosing layout ask again.
    m_actionLayout->invalidate();
    m_column->invalidate();
    layout()->invalidate();
    updateGeometry();
}

void Banner::paintEvent(QPaintEvent*) {
    const Colors colors = colorsOf(m_kind);
    QPainter painter(this);
    const QRectF box(rect());
    Paint::fill(painter, Paint::roundedRect(box, Theme::bannerRadius), colors.fill.on(this));
    Paint::strokeInside(painter, box, Theme::bannerRadius, colors.edge.on(this));
}

} // namespace fernholm
