#include "DiskSession.h"

#include <algorithm>

namespace platform {

void DiskSession::registerDiskAppeared(DiskCallback callback, void* context) {
    noteCall("registerDiskAppeared");
    auto registration = std::make_shared<Registration>();
    registration->kind = Kind::appeared;
    registration->diskCallback = callback;
    registration->context = context;
    add(std::move(registration));
}

void DiskSession::registerDiskDisappeared(DiskCallback callback, void* context) {
    noteCall("registerDiskDisappeared");
    auto registration = std::make_shared<Registration>();
    registration->kind = Kind::disappeared;
    registration->diskCallback = callback;
    registration->context = context;
    add(std::move(registration));
}

void DiskSession::registerDiskDescriptionChanged(DiskChangedCallback callback, void* context) {
    noteCall("registerDiskDescriptionChanged");
    auto registration = std::make_shared<Registration>();
    registration->kind = Kind::changed;
    registration->changedCallback = callback;
    registration->context = context;
    add(std::move(registration));
}

void DiskSession::unregisterCallback(DiskCallback callback, void* context) {
    noteCall("unregisterCallback");
    remove(callback, nullptr, context);
}

void DiskSession::unregisterCallback(DiskChangedCallback callback, void* context) {
    noteCall("unregisterCallback");
    remove(nullptr, callback, context);
}

void DiskSession::add(std::shared_ptr<Registration> registration) {
    if (!registration->diskCallback && !registration->changedCallback) return;
    std::lock_guard lock(mutex_);
    registrations_.push_back(std::move(registration));
}

void DiskSession::remove(DiskCallback diskCallback, DiskChangedCallback changedCallback, void* context) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& registration) {
        bool same = registration->context == context &&
                    (diskCallback ? registration->diskCallback == diskCallback
                                  : registration->changedCallback == changedCallback);
        // Deliveries already queued hold the registration: they see it inactive and skip it.
        if (same) registration->active.store(false);
        return same;
    });
}

void DiskSession::setDispatchQueue(SerialQueuePtr queue) {
    noteCall(queue ? "setDispatchQueue" : "setDispatchQueue(null)");
    std::lock_guard lock(mutex_);
    ++attachment_;
    queue_ = std::move(queue);
    if (!queue_) return;
    for (auto& disk : presentDisks()) postLocked(Kind::appeared, std::move(disk), {});
}

void DiskSession::postAppeared(DiskPtr disk) {
    std::lock_guard lock(mutex_);
    postLocked(Kind::appeared, std::move(disk), {});
}

void DiskSession::postDisappeared(DiskPtr disk) {
    std::lock_guard lock(mutex_);
    postLocked(Kind::disappeared, std::move(disk), {});
}

void DiskSession::postDescriptionChanged(DiskPtr disk, std::vector<DescriptionKey> keys) {
    std::lock_guard lock(mutex_);
    postLocked(Kind::changed, std::move(disk), std::move(keys));
}

void DiskSession::postLocked(Kind kind, DiskPtr disk, std::vector<DescriptionKey> keys) {
    if (!queue_ || !disk) return;
    std::vector<std::shared_ptr<Registration>> targets;
    for (const auto& registration : registrations_)
        if (registration->kind == kind) targets.push_back(registration);
    if (targets.empty()) return;

    std::weak_ptr<DiskSession> weakSelf = weak_from_this();
    queue_->async([weakSelf, attachment = attachment_, targets = std::move(targets), disk = std::move(disk),
                   keys = std::move(keys)] {
        for (const auto& registration : targets) {
            // Checked before each call: an earlier callback may have unregistered or detached.
            auto self = weakSelf.lock();
            if (!self || !self->stillAttached(attachment) || !registration->active.load()) continue;
            if (registration->changedCallback)
                registration->changedCallback(*disk, keys, registration->context);
            else
                registration->diskCallback(*disk, registration->context);
        }
    });
}

bool DiskSession::stillAttached(std::uint64_t attachment) const {
    std::lock_guard lock(mutex_);
    return queue_ && attachment_ == attachment;
}

}  // namespace platform
