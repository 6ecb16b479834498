#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quentrel {

// A weak reference to an object of any kind, reduced to the one question the tracker asks: is the
// object still alive? It never keeps the object alive. Made from a shared_ptr (held as a weak_ptr)
// or from a liveness test supplied by the owner's toolkit, e.g. the Qt layer passes
//     WeakReference::fromLiveness([p = QPointer<QObject>(object)] { return !p.isNull(); })
// which captures only a guarded pointer. A default-made reference refers to nothing (not alive).
class WeakReference {
public:
    WeakReference() = default;

    template <class T>
    static WeakReference to(const std::shared_ptr<T>& object) {
        std::weak_ptr<const void> weak = object;
        return fromLiveness([weak] { return !weak.expired(); });
    }
    // `isAlive` must hold no strong reference to the object.
    static WeakReference fromLiveness(std::function<bool()> isAlive) {
        WeakReference reference;
        reference.isAlive_ = std::move(isAlive);
        return reference;
    }

    bool isAlive() const { return isAlive_ && isAlive_(); }

private:
    std::function<bool()> isAlive_;
};

// The newest closed surfaces of this process (a window's controller and its view), held weakly,
// so the diagnostic record can count those still alive. Main thread only; no locks.
class ClosedUIResourceTracker {
public:
    static constexpr std::size_t capacity = 32;

    struct Entry {
        std::optional<WeakReference> controller;
        std::optional<WeakReference> view;
    };

    // The diagnostic record's three counts, in its order.
    struct Snapshot {
        std::int64_t trackedClosedUISurfaces = 0;
        std::int64_t retainedClosedUIControllers = 0;
        std::int64_t retainedClosedUIViews = 0;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    // Nothing happens when both are absent. Otherwise drops the entries whose referents are all
    // gone, appends this one and keeps the newest `capacity`.
    void record(std::optional<WeakReference> controller, std::optional<WeakReference> view);
    // Drops the entries whose referents are all gone, then counts.
    Snapshot snapshot();

    const std::vector<Entry>& entries() const { return entries_; }

private:
    void prune();

    std::vector<Entry> entries_;  // oldest first
};

// The process's one tracker, made on first use.
struct ObserverWindowResources {
    static ClosedUIResourceTracker& closedContents();
};

}  // namespace quentrel
