#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "WorkItem.h"

namespace platform {

// The delayed work of a queue: work items waiting for their deadlines on the queue's clock
// (`Deadline` is any ordered time type). Not synchronised: the queue guards it with its lock.
template <class Deadline>
class DelayedWork {
public:
    // Adds `item`; true when it is now the earliest, so the queue's timer must move.
    bool add(Deadline deadline, std::shared_ptr<WorkItem> item) {
        const std::uint64_t seq = nextSeq_++;
        heap_.push_back({deadline, seq, std::move(item)});
        std::push_heap(heap_.begin(), heap_.end(), laterThan);
        return heap_.front().seq == seq;
    }

    bool empty() const { return heap_.empty(); }
    // The earliest deadline; only when not empty.
    Deadline earliest() const { return heap_.front().deadline; }

    // Appends the items due at `now` to `ready` in deadline order (ties in the order they were
    // added) and drops the cancelled items it finds on top.
    void moveDue(Deadline now, std::deque<std::function<void()>>& ready) {
        while (!heap_.empty()) {
            Delayed& top = heap_.front();
            const bool cancelled = top.item->isCancelled();
            if (!cancelled && top.deadline > now) break;
            std::pop_heap(heap_.begin(), heap_.end(), laterThan);
            if (!cancelled) ready.push_back([item = std::move(heap_.back().item)] { item->perform(); });
            heap_.pop_back();
        }
    }

    // Every item, taken out so that it can be released outside the queue's lock.
    DelayedWork takeAll() { return std::exchange(*this, DelayedWork()); }

private:
    struct Delayed {
        Deadline deadline;
        std::uint64_t seq;
        std::shared_ptr<WorkItem> item;
    };

    // Heap order: the earliest deadline on top, ties in submission order.
    static bool laterThan(const Delayed& a, const Delayed& b) {
        return a.deadline != b.deadline ? a.deadline > b.deadline : a.seq > b.seq;
    }

    std::vector<Delayed> heap_;
    std::uint64_t nextSeq_ = 0;
};

}  // namespace platform
