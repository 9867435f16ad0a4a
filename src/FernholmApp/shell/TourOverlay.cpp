#include "FernholmApp/shell/TourOverlay.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/Tour.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal dotSize = 6;
constexpr qreal dotGap = 6;
constexpr int stepCount = int(allTourSteps.size());

// A text button without chrome: sans 12/500 in Theme::dim.
class PlainButton final : public QAbstractButton {
public:
    PlainButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
        setText(title);
        setFont(Fonts::sans(12, 500));
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QSizeF text = Text::size(this->text(), font(), 1e6);
        return QSize(int(std::ceil(text.width())) + 4, std::max(28, int(std::ceil(text.height()))));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor color = Theme::dim.on(this);
        if (isDown()) {
            color.setAlphaF(color.alphaF() * 0.6);
        }
        p.setFont(font());
        p.setPen(color);
        p.drawText(QRectF(rect()), Qt::AlignCenter, text());
        if (FocusRing::visible(this)) {
            FocusRing::paint(p, QRectF(rect()), height() / 2.0, color);
        }
    }
};

class AccessibleDots final : public QAccessibleWidget {
public:
    explicit AccessibleDots(TourDots* dots) : QAccessibleWidget(dots, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return static_cast<const TourDots*>(widget())->spokenText();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::TourDots") && object && object->isWidgetType()) {
        return new AccessibleDots(static_cast<TourDots*>(object));
    }
    return nullptr;
}

constexpr qreal shadowRadius = 14;
constexpr QPointF shadowOffset{0, 6};

} // namespace

// The card's shadow: a sibling laid just under the card, larger than it, that lets every click
// through, so that only the card itself takes mouse events.
class TourShadow final : public QWidget {
    Q_OBJECT

public:
    explicit TourShadow(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }
    static int margin() { return int(std::ceil(3 * shadowRadius + shadowOffset.y())); }
    void follow(const QWidget* card) {
        const int m = margin();
        setGeometry(card->geometry().adjusted(-m, -m, m, m));
        setVisible(card->isVisible());
        stackUnder(const_cast<QWidget*>(card));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int m = margin();
        const QRectF card = QRectF(rect()).adjusted(m, m, -m, -m);
        Paint::softShadow(p, Paint::roundedRect(card, Theme::cardRadius), QColor(0, 0, 0, qRound(255 * 0.18)),
                          shadowRadius / 2, shadowOffset);
    }
};

// --- Dots ---

TourDots::TourDots(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TourDots::setIndex(int index) {
    if (index == m_index) {
        return;
    }
    m_index = index;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString TourDots::spokenText() const {
    return fernholm::tr(QStringLiteral("Tour step {n} of {total}"), {{QStringLiteral("n"), m_index + 1},
                                                                       {QStringLiteral("total"), stepCount}});
}

QRectF TourDots::dotRect(int i) const {
    return QRectF(i * (dotSize + dotGap), 0, dotSize, dotSize);
}

QSize TourDots::sizeHint() const {
    return QSize(int(stepCount * dotSize + (stepCount - 1) * dotGap), int(dotSize));
}

void TourDots::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < stepCount; ++i) {
        p.setBrush((i == m_index ? Theme::token : Theme::hairline).on(this));
        p.drawEllipse(dotRect(i));
    }
}

// --- Card ---

TourOverlay::TourOverlay(Tour& tour, std::function<void()> onStep, std::function<void()> openSample,
                         QWidget* parent)
    : Card(CardStyle::surface, Theme::cardPadding, parent), m_tour(tour), m_onStep(std::move(onStep)),
      m_openSample(std::move(openSample)) {
    setFixedWidth(cardWidth);
    body()->setSpacing(10);

    m_dots = new TourDots(this);
    body()->addWidget(m_dots, 0, Qt::AlignLeft);
    m_title = new TextLabel(QString(), Fonts::display(20), Theme::ink, this);
    m_title->setHeading(true);
    body()->addWidget(m_title);
    m_body = new TextLabel(QString(), Fonts::sans(13, 400), Theme::dim, this);
    body()->addWidget(m_body);
    m_sample = new PrimaryButton(fernholm::tr("Try it on a sample file"), PrimaryButton::Style::small, this);
    m_sample->setArrow(false);
    body()->addWidget(m_sample, 0, Qt::AlignLeft);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 4, 0, 0);
    buttons->setSpacing(8);
    m_skip = new PlainButton(fernholm::tr("Skip tour"), this);
    m_back = new PrimaryButton(fernholm::tr("Back"), PrimaryButton::Style::secondary, this);
    m_back->setArrow(false);
    m_forward = new PrimaryButton(fernholm::tr("Next"), PrimaryButton::Style::primary, this);
    m_forward->setArrow(false);
    buttons->addWidget(m_skip, 0, Qt::AlignVCenter);
    buttons->addStretch(1);
    buttons->addWidget(m_back, 0, Qt::AlignVCenter);
    buttons->addWidget(m_forward, 0, Qt::AlignVCenter);
    body()->addLayout(buttons);

    // Only while the card is shown: a hidden widget's shortcut does not fire.
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setContext(Qt::WindowShortcut);
    connect(m_escape, &QShortcut::activated, m_skip, &QAbstractButton::click);

    connect(m_skip, &QAbstractButton::clicked, this, [this] { m_tour.skip(); });
    connect(m_back, &QAbstractButton::clicked, this, [this] {
        m_tour.back();
        if (m_onStep) {
            m_onStep();
        }
    });
    connect(m_forward, &QAbstractButton::clicked, this, [this] {
        m_tour.next();
        if (m_onStep) {
            m_onStep();
        }
    });
    connect(m_sample, &QAbstractButton::clicked, this, [this] {
        if (m_openSample) {
            m_openSample();
        }
    });
    connect(&m_tour, &Tour::indexChanged, this, &TourOverlay::refresh);

    refresh();
    followParent();
}

void TourOverlay::refresh() {
    const TourStep step = m_tour.step();
    const TourCopy copy = step.copy();
    m_dots->setIndex(m_tour.index());
    m_title->setText(copy.title);
    m_body->setText(copy.body);
    m_sample->setVisible(step == TourStep::studio);
    m_back->setVisible(!m_tour.isFirst());
    m_forward->setTitle(m_tour.isLast() ? fernholm::tr("Done") : fernholm::tr("Next"));
    updateGeometry();
}

QSize TourOverlay::sizeHint() const {
    const int height = layout() && layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(cardWidth)
                                                                  : Card::sizeHint().height();
    return QSize(cardWidth, height);
}

TourOverlay::~TourOverlay() {
    delete m_shadow;
}

void TourOverlay::followParent() {
    if (m_shadow && m_shadow->parentWidget() != parentWidget()) {
        delete m_shadow;
    }
    if (!m_shadow && parentWidget()) {
        m_shadow = new TourShadow(parentWidget());
    }
    if (m_shadow) {
        m_shadow->follow(this);
    }
}

bool TourOverlay::event(QEvent* event) {
    const bool handled = Card::event(event);
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ParentChange:
    case QEvent::ZOrderChange:
        followParent();
        break;
    default:
        break;
    }
    return handled;
}

void TourOverlay::changeEvent(QEvent* event) {
    Card::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_sample->setTitle(fernholm::tr("Try it on a sample file"));
        m_skip->setText(fernholm::tr("Skip tour"));
        m_back->setTitle(fernholm::tr("Back"));
        refresh();
    }
}

} // namespace fernholm

#include "TourOverlay.moc"
