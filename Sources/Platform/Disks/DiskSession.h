#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Disk.h"
#include "DiskDescription.h"
#include "Platform/Dispatch/SerialQueue.h"

namespace platform {

// A connection to the disk service. Callbacks are plain functions with a context pointer; they
// are called on the queue the session is attached to, never while it is detached.
//
// Delivery rules:
// - attaching to a queue reports every disk present through the appeared callbacks;
// - detaching (a null queue) or attaching elsewhere drops everything still queued for the old
//   attachment;
// - after unregisterCallback nothing more reaches that callback, not even events already queued.
class DiskSession : public std::enable_shared_from_this<DiskSession> {
public:
    using DiskCallback = void (*)(const Disk& disk, void* context);
    using DiskChangedCallback = void (*)(const Disk& disk, const std::vector<DescriptionKey>& keys, void* context);

    virtual ~DiskSession() = default;

    void registerDiskAppeared(DiskCallback callback, void* context);
    void registerDiskDisappeared(DiskCallback callback, void* context);
    void registerDiskDescriptionChanged(DiskChangedCallback callback, void* context);
    // Removes every registration of this function with this context.
    void unregisterCallback(DiskCallback callback, void* context);
    void unregisterCallback(DiskChangedCallback callback, void* context);

    void setDispatchQueue(SerialQueuePtr queue);

    // Absent (null) when there is no such disk.
    virtual DiskPtr diskFromBSDName(const std::string& name) = 0;
    // The disk whose volume is mounted at `path`; null when none is.
    virtual DiskPtr diskFromVolumePath(const std::string& path) = 0;

protected:
    // The disks present now; called with the session's lock held, on attaching.
    virtual std::vector<DiskPtr> presentDisks() = 0;
    // Told about every public call, for the doubles' call logs.
    virtual void noteCall(std::string_view call) { (void)call; }

    // Queue a delivery to the callbacks registered now; dropped while detached.
    void postAppeared(DiskPtr disk);
    void postDisappeared(DiskPtr disk);
    void postDescriptionChanged(DiskPtr disk, std::vector<DescriptionKey> keys);

private:
    enum class Kind { appeared, disappeared, changed };
    struct Registration {
        Kind kind;
        DiskCallback diskCallback = nullptr;
        DiskChangedCallback changedCallback = nullptr;
        void* context = nullptr;
        std::atomic<bool> active{true};
    };

    void add(std::shared_ptr<Registration> registration);
    void remove(DiskCallback diskCallback, DiskChangedCallback changedCallback, void* context);
    void postLocked(Kind kind, DiskPtr disk, std::vector<DescriptionKey> keys);
    bool stillAttached(std::uint64_t attachment) const;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Registration>> registrations_;
    SerialQueuePtr queue_;
    std::uint64_t attachment_ = 0;
};

using DiskSessionPtr = std::shared_ptr<DiskSession>;

}  // namespace platform
