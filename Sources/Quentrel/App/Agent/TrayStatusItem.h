#pragma once

#include <memory>
#include <optional>

#include <QAbstractNativeEventFilter>
#include <QIcon>
#include <QObject>

#include "AgentStatusItem.h"
#include "Platform/Desktop/X11/X11TraySelection.h"
#include "Platform/Log/Logger.h"

class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;

namespace quentrel {

// The status item on QSystemTrayIcon: our "externaldrive" symbol, the tool tip "Kavrinet", and a
// click (activation as Trigger) reports `activated`. It also offers a menu of the application
// menu's own items ("빠른 보기", "대시보드", "설정…", "Kavrinet 종료"), which run as those items do,
// through the window presenter's hooks: a StatusNotifierItem exports it (com.canonical.dbusmenu)
// for hosts that open a menu on a click rather than activate the item (GNOME's AppIndicator
// extension activates only on a double click); an XEmbed tray opens it on a right click.
//
// Qt decides once per process whether its tray icons are StatusNotifierItems or XEmbed icons, at
// the first tray call. So the icon is made, and the first tray call happens, only once a tray host
// is there: a StatusNotifierWatcher on the session bus with a host registered, or an owner of the
// X11 tray selection. Until then the item logs once that there is no tray, reports `unavailable`
// and watches for both:
// the watcher's name and its host-registered signal on the bus, and the MANAGER announcement on
// the X11 root window that a new selection owner sends.
class TrayStatusItem final : public QObject, public AgentStatusItem, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    static constexpr char watcherService[] = "org.kde.StatusNotifierWatcher";
    static constexpr char watcherPath[] = "/StatusNotifierWatcher";
    static constexpr char noTrayMessage[] =
        "No system tray is running: the status item appears when one starts; observation goes on";
    static constexpr int busTimeoutMilliseconds = 5000;
    // The icon's sizes, in logical pixels.
    static constexpr int iconSides[] = {16, 22, 24, 32, 48, 64};
    // The outline around the glyph, as a share of the icon's side (a pixel at 16).
    static constexpr qreal outlineShare = 1.0 / 16;

    TrayStatusItem(Events events, platform::Logger logger, QObject* parent = nullptr);
    ~TrayStatusItem() override;

    std::optional<ScreenRect> buttonFrame() const override;

    // The icon once a tray host was found, else null.
    QSystemTrayIcon* trayIcon() const { return icon_.get(); }
    // The status item's image. A panel may be light or dark whatever the desktop's colour scheme
    // says, so the glyph is outlined in the opposite tone and reads on either: dark with a light
    // outline for a light scheme, light with a dark outline for a dark one.
    static QIcon statusIcon(bool lightScheme);
    // Whether the desktop's colour scheme is light, as far as Qt can tell: the platform theme's
    // window colour (Qt's own light palette without a desktop theme).
    static bool desktopSchemeIsLight();

private Q_SLOTS:
    void statusNotifierHostRegistered();

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void checkStatusNotifierHost();
    void showIcon();
    void reportMissingTray();
    std::unique_ptr<QMenu> makeMenu();

    Events events_;
    platform::Logger logger_;
    // Before the icon, which refers to it until it is gone.
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QDBusServiceWatcher* watcher_ = nullptr;
    bool filtering_ = false;
    bool reportedMissing_ = false;
    platform::X11TraySelection traySelection_;
};

}  // namespace quentrel
