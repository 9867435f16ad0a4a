#include "FernholmApp/shell/tray/TrayHost.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmApp/shell/tray/PopoverPlacement.h"
#include "FernholmApp/theme/BrandImages.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmKit/presentation/ViewState.h"
#include "FernholmKit/text/L10n.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMap>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// A click on the tray icon first takes activation from the open panel, which hides it; the click
// that follows must not open it again at once.
constexpr qint64 reopenGuardMs = 300;

const QColor rimColor(0x1E, 0x1E, 0x1E);
const QColor markColor(0xFA, 0xFA, 0xF9);

// One size of the tray icon: a light mark on a dark rim one pixel wide (in icon pixels), which
// reads on light and dark panels.
QImage iconImage(const std::function<void(QPainter&, const QRectF&, const QColor&)>& draw, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal rim = std::max(1.0, size / 22.0);
    const QRectF box = QRectF(0, 0, size, size).adjusted(rim, rim, -rim, -rim);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx != 0 || dy != 0) {
                draw(p, box.translated(dx * rim, dy * rim), rimColor);
            }
        }
    }
    draw(p, box, markColor);
    p.end();
    return image;
}

bool isOn(const std::optional<Status>& status) {
    return protectionUIState(status) == ProtectionUIState::on;
}

} // namespace

// The panel's window: frameless, outside the taskbar, gone when it loses activation or on Escape.
class TrayPanelWindow final : public QWidget {
public:
    explicit TrayPanelWindow(TrayHost* host)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_host(host) {
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSizeConstraint(QLayout::SetFixedSize);
    }

protected:
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::ActivationChange) {
            if (isActiveWindow()) {
                m_wasActive = true;
            } else if (m_wasActive && isVisible()) {
                m_wasActive = false;
                m_host->panelDeactivated();
            }
        }
    }
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        m_wasActive = false;
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            hide();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    TrayHost* m_host;
    bool m_wasActive = false;
};

TrayHost::TrayHost(AppModel& model, Hooks hooks, QObject* parent)
    : QObject(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()),
      m_hooks(std::move(hooks)), m_tray(new QSystemTrayIcon(this)) {
    m_window = std::make_unique<TrayPanelWindow>(this);
    buildPanel();
    buildMenu();
    updateIcon();
    updateToolTip();
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            togglePanel();
        }
    });
    connect(&m_protection, &ProtectionStatus::statusChanged, this, [this] {
        updateIcon();
        updateToolTip();
    });
    connect(&m_supervision, &Supervision::linkChanged, this, &TrayHost::updateToolTip);
    connect(&m_supervision, &Supervision::proxyStuckChanged, this, &TrayHost::updateToolTip);
}

TrayHost::~TrayHost() {
    m_tray->hide();
    m_tray->setContextMenu(nullptr);
}

bool TrayHost::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TraySymbol TrayHost::symbol(const std::optional<Status>& status) {
    if (isOn(status)) {
        return BrandImages::mark() ? TraySymbol::mark : TraySymbol::onGlyph;
    }
    return BrandImages::markOff() ? TraySymbol::markOff : TraySymbol::offGlyph;
}

QIcon TrayHost::icon(const std::optional<Status>& status) {
    const TraySymbol which = symbol(status);
    // Each image is rendered once per process (six sizes, nine passes each): a status change that
    // keeps the image costs nothing. Kept as images, which outlive the application object safely.
    static QMap<TraySymbol, QList<QImage>> rendered;
    auto sizes = rendered.constFind(which);
    if (sizes == rendered.constEnd()) {
        std::function<void(QPainter&, const QRectF&, const QColor&)> draw;
        switch (which) {
        case TraySymbol::mark:
        case TraySymbol::markOff: {
            const BrandImage image = which == TraySymbol::mark ? *BrandImages::mark() : *BrandImages::markOff();
            draw = [image](QPainter& p, const QRectF& box, const QColor& color) { image.paint(p, box, color); };
            break;
        }
        case TraySymbol::onGlyph:
        case TraySymbol::offGlyph: {
            const QString name = which == TraySymbol::onGlyph ? QStringLiteral("shield.lefthalf.filled")
                                                              : QStringLiteral("shield.slash");
            draw = [name](QPainter& p, const QRectF& box, const QColor& color) {
                Icons::paint(p, name, box, IconWeight::medium, color);
            };
            break;
        }
        }
        QList<QImage> images;
        for (const int size : {16, 22, 24, 32, 48, 64}) {
            images << iconImage(draw, size);
        }
        sizes = rendered.insert(which, images);
    }
    QIcon icon;
    for (const QImage& image : *sizes) {
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void TrayHost::show() {
    m_tray->show();
}

void TrayHost::updateIcon() {
    // Most status changes (each poll of a busy gateway) leave the image as it is: the tray is
    // told, and redraws, only when it changes.
    const TraySymbol shown = symbol(m_protection.status());
    if (shown == m_symbol && !m_tray->icon().isNull()) {
        return;
    }
    m_symbol = shown;
    m_tray->setIcon(icon(m_protection.status()));
}

void TrayHost::updateToolTip() {
    const MenuProtectionItem item =
        menuProtectionItem(m_protection.status(), false, m_supervision.link(), m_supervision.proxyStuck());
    m_tray->setToolTip(QStringLiteral("Tarvine\n") + L10n::translated(item.statusText));
}

void TrayHost::buildMenu() {
    auto menu = std::make_unique<QMenu>();
    const auto call = [](const std::function<void()>& hook) {
        return [hook] {
            if (hook) {
                hook();
            }
        };
    };
    menu->addAction(fernholm::tr(QStringLiteral("Open Tarvine")), this, call(m_hooks.showWindow));
    menu->addAction(fernholm::tr(QStringLiteral("Check a prompt")), this, call(m_hooks.checkPrompt));
    menu->addSeparator();
    menu->addAction(fernholm::tr(QStringLiteral("Quit")), this, call(m_hooks.quit));
    m_tray->setContextMenu(menu.get());
    m_menu = std::move(menu);
}

void TrayHost::buildPanel() {
    m_window->hide();
    delete m_panel;
    const auto hideThen = [this](const std::function<void()>& hook) -> std::function<void()> {
        return [this, hook] {
            hidePanel();
            if (hook) {
                hook();
            }
        };
    };
    m_panel = new MenuBarPopover(m_model, m_hooks.checkForUpdates ? hideThen(m_hooks.checkForUpdates) : nullptr,
                                 hideThen(m_hooks.showWindow), hideThen(m_hooks.quit), m_window.get());
    m_window->layout()->addWidget(m_panel);
    m_window->setWindowTitle(QStringLiteral("Tarvine"));
}

void TrayHost::retranslate() {
    buildPanel();
    buildMenu();
    updateToolTip();
}

bool TrayHost::isPanelVisible() const {
    return m_window->isVisible();
}

void TrayHost::togglePanel() {
    if (m_window->isVisible()) {
        hidePanel();
    } else if (!m_sinceAutoHide.isValid() || m_sinceAutoHide.elapsed() > reopenGuardMs) {
        showPanel();
    }
}

void TrayHost::showPanel() {
    m_panel->refresh();
    m_window->adjustSize();
    const QSize size = m_window->sizeHint().expandedTo(m_panel->sizeHint());
    const QRect icon = m_tray->geometry();
    const bool hasIcon = icon.isValid() && !icon.isEmpty();
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    const std::optional<QPoint> cursor = wayland ? std::nullopt : std::optional<QPoint>(QCursor::pos());
    QScreen* screen = hasIcon ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen && cursor) {
        screen = QGuiApplication::screenAt(*cursor);
    }
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    m_window->setGeometry(popoverPlacement(icon, size, available, cursor));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    Q_EMIT panelShown();
}

void TrayHost::hidePanel() {
    m_window->hide();
}

void TrayHost::panelDeactivated() {
    m_sinceAutoHide.start();
    hidePanel();
}

} // namespace fernholm
