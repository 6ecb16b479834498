#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/Desktop/DesktopNotifications.h"
#include "Platform/Desktop/FileBrowser.h"
#include "Platform/Desktop/LoginItemRegistry.h"
#include "Platform/Desktop/Pasteboard.h"
#include "Platform/Desktop/PowerEvents.h"
#include "Platform/Desktop/SavePanel.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/Date.h"
#include "Quentrel/Services/ConnectionNotificationBackend.h"
#include "Wendmark/VolumeSnapshot.h"

namespace quentrel {

// What the observer store takes from the desktop and the process besides its own arguments. A
// part left empty is inert (the desktop services) or the system's (clock, bundle), so a store
// built with none of them observes nothing of the desktop until a program installs the real ones.
struct ObserverStoreServices {
    // Where every piece of store work runs: the program's event loop. Empty: a queue that drops
    // whatever is posted to it.
    platform::SerialQueuePtr mainQueue;
    // The store's "current date". Empty: the system's wall clock.
    std::function<platform::Date()> now;
    // Behind the default notification back end. Empty: no notification is ever shown and the
    // permission reads as denied.
    platform::DesktopNotificationsPtr notifications;
    // The login item. Empty: reports "not registered" and refuses every change.
    platform::LoginItemRegistryPtr loginItems;
    // Sleep and wake. Empty: delivers nothing.
    platform::PowerEventsPtr powerEvents;
    // The running program's bundle. Empty: platform::mainBundle().
    std::shared_ptr<const platform::BundleInfo> bundle;
    // The general pasteboard. Empty: one that refuses every text.
    platform::PasteboardPtr pasteboard;
    // Save panels. Empty: each panel answers as cancelled.
    platform::SavePanelsPtr savePanels;
    // The file browser. Empty: every request fails.
    platform::FileBrowserPtr fileBrowser;
    // Whether a volume of a snapshot is still the one mounted at its path on that device.
    // Empty: the disk layer's own check (DiskInventory::matchesMountedVolume).
    using MountedVolumeCheck = std::function<bool(const wendmark::VolumeSnapshot& volume, const std::string& deviceID)>;
    MountedVolumeCheck mountedVolumeMatches;

    // Every empty part filled in as described above.
    ObserverStoreServices resolved() const;
};

// The notification back end a store uses when none is passed to it: the system's, over
// `services.notifications` (resolved).
ConnectionNotificationBackendPtr makeDefaultNotificationBackend(const ObserverStoreServices& services);

}  // namespace quentrel
