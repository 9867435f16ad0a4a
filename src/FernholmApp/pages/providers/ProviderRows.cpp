#include "FernholmApp/pages/providers/ProviderRows.h"

#include "FernholmApp/components/text/ProviderLogo.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal badgePaddingH = 8;
constexpr qreal badgePaddingV = 2;
constexpr qreal dimmedOpacity = 0.7;

void growsForWidth(QWidget* widget) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
}

} // namespace

ExperimentalBadge::ExperimentalBadge(QWidget* parent) : QWidget(parent), m_text(fernholm::tr("Experimental")) {
    setFont(Fonts::sans(11, 600));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ExperimentalBadge::sizeHint() const {
    const qreal width = Text::size(m_text, font(), QWIDGETSIZE_MAX, {1, 0, Qt::AlignLeft}).width();
    return QSize(int(std::ceil(width + 2 * badgePaddingH - 1e-6)),
                 int(std::ceil(Text::lineHeight(font()) + 2 * badgePaddingV - 1e-6)));
}

void ExperimentalBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint::fill(painter, Paint::capsule(QRectF(rect())), Theme::warningIconBg.on(this));
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal line = Text::lineHeight(font());
    Text::draw(painter, QRectF(badgePaddingH, (height() - line) / 2, width() - 2 * badgePaddingH, line), m_text,
               font(), Theme::warningInk.on(this), {1, 0, Qt::AlignHCenter});
}

void ExperimentalBadge::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

ProviderRow::ProviderRow(const Provider& provider, const ThemeColor& tileFill,
                         std::function<void(const QString&, bool)> onToggle, QWidget* parent)
    : QWidget(parent), m_onToggle(std::move(onToggle)) {
    growsForWidth(this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(22, 18, 22, 18);
    row->setSpacing(16);

    m_tile = new ProviderTile(provider.name, 40, tileFill);
    row->addWidget(m_tile, 0, Qt::AlignVCenter);

    auto* texts = new QWidget;
    growsForWidth(texts);
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    auto* titleLine = new QHBoxLayout;
    titleLine->setContentsMargins(0, 0, 0, 0);
    titleLine->setSpacing(8);
    m_name = new TextLabel(QString(), Fonts::sans(15, 600), Theme::ink);
    m_name->setMaxLines(1);
    titleLine->addWidget(m_name, 0, Qt::AlignVCenter);
    m_badge = new ExperimentalBadge;
    titleLine->addWidget(m_badge, 0, Qt::AlignVCenter);
    titleLine->addStretch(1);
    column->addLayout(titleLine);
    m_hosts = new TextLabel(QString(), Fonts::sans(13, 400), Theme::dim);
    growsForWidth(m_hosts);
    column->addWidget(m_hosts);
    m_note = new TextLabel(QString(), Fonts::sans(12, 400), Theme::faint);
    growsForWidth(m_note);
    column->addWidget(m_note);
    row->addWidget(texts, 1, Qt::AlignVCenter);

    m_switch = new VSwitch(VSwitch::Size::regular, Theme::switchOn, Theme::switchOff);
    connect(m_switch, &VSwitch::toggleRequested, this, [this](bool on) {
        if (m_onToggle) {
            m_onToggle(m_provider.name, on);
        }
    });
    row->addWidget(m_switch, 0, Qt::AlignVCenter);

    m_fade = new QGraphicsOpacityEffect(this);
    m_fade->setOpacity(dimmedOpacity);
    m_fade->setEnabled(false);
    setGraphicsEffect(m_fade);

    setProvider(provider);
}

QString ProviderRow::hostsLine(const QStringList& hosts) {
    return hosts.join(QStringLiteral(" \u00B7 "));
}

void ProviderRow::setProvider(const Provider& provider) {
    m_provider = provider;
    m_tile->setName(provider.name);
    m_name->setText(provider.displayName);
    m_badge->setVisible(provider.experimental.value_or(false));
    m_hosts->setText(hostsLine(provider.hosts));
    // The gateway's notes are English; ours to translate like any other text.
    m_note->setText(provider.note ? L10n::translated(*provider.note) : QString());
    m_note->setVisible(provider.note.has_value());
    m_switch->setOn(provider.enabled);
    m_switch->setLabel(fernholm::tr("{name} protection", {{"name", provider.displayName}}));
}

ExperimentalBadge* ProviderRow::badge() const {
    return m_badge->isHidden() ? nullptr : m_badge;
}

void ProviderRow::setDimmed(bool dimmed) {
    m_fade->setEnabled(dimmed);
}

qreal ProviderRow::drawnOpacity() const {
    return m_fade->isEnabled() ? dimmedOpacity : 1.0;
}

ProviderList::ProviderList(const ThemeColor& tileFill, std::function<void(const QString&, bool)> onToggle,
                           QWidget* parent)
    : QWidget(parent), m_tileFill(tileFill), m_onToggle(std::move(onToggle)) {
    growsForWidth(this);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
}

ProviderList::~ProviderList() = default;

void ProviderList::setProviders(const QList<Provider>& providers) {
    // Rows are kept by name; a name sent twice gets a row for each time.
    QList<ProviderRow*> unused = m_order;
    QList<ProviderRow*> order;
    for (const Provider& provider : providers) {
        ProviderRow* row = nullptr;
        for (qsizetype i = 0; i < unused.size(); ++i) {
            if (unused.at(i)->provider().name == provider.name) {
                row = unused.takeAt(i);
                break;
            }
        }
        if (row) {
            row->setProvider(provider);
        } else {
            row = new ProviderRow(provider, m_tileFill, m_onToggle, this);
        }
        row->setDimmed(m_dimmed);
        order.append(row);
    }
    for (ProviderRow* row : unused) {
        m_column->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_order = order;

    while (m_dividers.size() < qMax<qsizetype>(0, order.size() - 1)) {
        m_dividers.append(new RowDivider(this));
    }
    // Take everything out and put it back in order: a handful of rows at most.
    while (QLayoutItem* item = m_column->takeAt(0)) {
        delete item;
    }
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (i > 0) {
            QWidget* divider = m_dividers.at(i - 1);
            m_column->addWidget(divider);
            divider->show();
        }
        m_column->addWidget(order.at(i));
        order.at(i)->show();
    }
    for (qsizetype i = qMax<qsizetype>(0, order.size() - 1); i < m_dividers.size(); ++i) {
        m_dividers.at(i)->hide();
    }
}

void ProviderList::setDimmed(bool dimmed) {
    m_dimmed = dimmed;
    for (ProviderRow* row : std::as_const(m_order)) {
        row->setDimmed(dimmed);
    }
}

QList<QWidget*> ProviderList::dividers() const {
    return m_dividers.mid(0, qMax<qsizetype>(0, m_order.size() - 1));
}

ProviderRow* ProviderList::rowFor(const QString& name) const {
    for (ProviderRow* row : m_order) {
        if (row->provider().name == name) {
            return row;
        }
    }
    return nullptr;
}

} // namespace fernholm
