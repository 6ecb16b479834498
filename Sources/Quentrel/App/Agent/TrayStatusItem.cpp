#include "TrayStatusItem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "ObserverBackgroundDelegate.h"
#include "Quentrel/App/UI/ObserverMenuModel.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {

constexpr char kHostProperty[] = "IsStatusNotifierHostRegistered";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
// Copies of the glyph that make its outline.
constexpr int outlineSteps = 16;

// The items of the status item's menu, in order, with their titles in the application menu.
constexpr MenuCommand kMenuCommands[] = {MenuCommand::toggleQuickView, MenuCommand::showDashboard,
                                         MenuCommand::showSettings, MenuCommand::quitProduct};

QString menuTitle(MenuCommand command) {
    for (const MenuSpec& menu : ObserverMenuModel::mainMenu(false))
        for (const MenuItemSpec& item : menu.items)
            if (item.command == command) return QString::fromUtf8(item.title.data(), qsizetype(item.title.size()));
    return {};
}

// What the application menu's item does, in the agent: its window, the quick view or the quit.
void perform(MenuCommand command) {
    if (const auto window = ObserverMenuModel::windowOpenedBy(command))
        ObserverWindowPresenter::requestShow(std::string(*window));
    else if (command == MenuCommand::toggleQuickView)
        ObserverWindowPresenter::requestQuickView();
    else if (command == MenuCommand::quitProduct)
        ObserverWindowPresenter::requestQuit();
}

}  // namespace

TrayStatusItem::TrayStatusItem(Events events, platform::Logger logger, QObject* parent)
    : QObject(parent), events_(std::move(events)), logger_(std::move(logger)) {
    if (traySelection_.isWatched()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filtering_ = true;
        if (traySelection_.isOwned()) {
            showIcon();
            return;
        }
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        reportMissingTray();
        return;
    }
    watcher_ = new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] { checkStatusNotifierHost(); });
    bus.connect(watcherService, watcherPath, watcherService, "StatusNotifierHostRegistered", this,
                SLOT(statusNotifierHostRegistered()));
    checkStatusNotifierHost();
}

TrayStatusItem::~TrayStatusItem() {
    if (filtering_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

QIcon TrayStatusItem::statusIcon(bool lightScheme) {
    const QString symbol = QString::fromUtf8(ObserverBackgroundDelegate::statusItemSymbol);
    const QColor glyph = lightScheme ? ObserverTheme::background : ObserverTheme::text;
    const QColor outline = lightScheme ? ObserverTheme::text : ObserverTheme::background;
    QIcon icon;
    for (int side : iconSides) {
        // The glyph a little smaller than the icon, so its outline fits inside.
        const qreal width = std::max(1.0, side * outlineShare);
        const qreal inner = side - 2 * width;
        const QPixmap halo = ObserverSymbols::pixmap(symbol, inner, outline);
        QPixmap image(side, side);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // The outline: the glyph in the outline's tone, moved around a circle of that width.
        for (int step = 0; step < outlineSteps; ++step) {
            const qreal angle = 2 * std::numbers::pi * step / outlineSteps;
            painter.drawPixmap(QPointF(width + width * std::cos(angle), width + width * std::sin(angle)), halo);
        }
        painter.drawPixmap(QPointF(width, width), ObserverSymbols::pixmap(symbol, inner, glyph));
        painter.end();
        icon.addPixmap(image);
    }
    return icon;
}

bool TrayStatusItem::desktopSchemeIsLight() {
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() >= 0.5;
}

std::optional<ScreenRect> TrayStatusItem::buttonFrame() const {
    if (!icon_ || !icon_->isVisible()) return std::nullopt;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return std::nullopt;
    const QRect frame = icon_->geometry();
    return QuickViewAnchor::fromTopLeftOrigin({double(frame.x()), double(frame.y()), double(frame.width()),
                                               double(frame.height())},
                                              primary->geometry().height());
}

void TrayStatusItem::statusNotifierHostRegistered() { checkStatusNotifierHost(); }

void TrayStatusItem::checkStatusNotifierHost() {
    if (icon_) return;
    QDBusMessage call = QDBusMessage::createMethodCall(watcherService, watcherPath, kPropertiesInterface, "Get");
    call << QString::fromLatin1(watcherService) << QString::fromLatin1(kHostProperty);
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, busTimeoutMilliseconds), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *answer;
        if (!reply.isError() && reply.value().variant().toBool())
            showIcon();
        else
            reportMissingTray();
    });
}

bool TrayStatusItem::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!icon_ && traySelection_.announcesOwner(eventType, message))
        QTimer::singleShot(0, this, [this] { showIcon(); });
    return false;
}

void TrayStatusItem::showIcon() {
    if (icon_) return;
    menu_ = makeMenu();
    icon_ = std::make_unique<QSystemTrayIcon>(statusIcon(desktopSchemeIsLight()));
    // Before the icon is shown: a StatusNotifierItem exports the menu it has at that moment.
    icon_->setContextMenu(menu_.get());
    icon_->setToolTip(QString::fromUtf8(ObserverBackgroundDelegate::statusItemText));
    ObserverSymbols::tag(*icon_, QString::fromUtf8(ObserverBackgroundDelegate::statusItemSymbol));
    // Every click toggles the quick view: Qt reports a second click soon after the first only as a
    // double click, which must not be lost.
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        const bool click = reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
        if (click && events_.activated) events_.activated();
    });
    icon_->show();
    if (filtering_) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        filtering_ = false;
    }
    if (watcher_) {
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
}

void TrayStatusItem::reportMissingTray() {
    if (icon_ || reportedMissing_) return;
    reportedMissing_ = true;
    logger_.notice(noTrayMessage);
    if (events_.unavailable) events_.unavailable();
}

std::unique_ptr<QMenu> TrayStatusItem::makeMenu() {
    auto menu = std::make_unique<QMenu>();
    for (const MenuCommand command : kMenuCommands)
        connect(menu->addAction(menuTitle(command)), &QAction::triggered, this, [command] { perform(command); });
    return menu;
}

}  // namespace quentrel
