#include "Wendmark/StorageTopology.h"

#include <unordered_map>
#include <unordered_set>

namespace wendmark {

namespace {

constexpr std::size_t memoCapacity = 128;
constexpr int depthLimit = 32;

// The working state of one resolution.
class Resolver {
public:
    explicit Resolver(const StorageTopology::Lookup& lookup) : lookup_(lookup) {}

    void visit(std::uint64_t id, int depth) {
        if (depth >= depthLimit || onPath_.contains(id)) {
            incomplete_ = true;
            return;
        }
        if (finished_.contains(id)) return;
        const StorageTopology::Node* node = fetch(id);
        if (!node) return;
        if (node->isComposite) {
            unsupported_ = true;
            return;
        }
        if (!node->parentsComplete) {
            incomplete_ = true;
            return;
        }
        if (node->parents.empty()) {
            reachedRoot_ = true;
            return;
        }

        onPath_.insert(id);
        // The memo never drops or moves a node, so the reference stays good across the visits.
        const bool isWholeMedia = node->isWholeMedia;
        for (std::uint64_t parentID : node->parents) {
            const StorageTopology::Node* parent = fetch(parentID);
            if (!parent) continue;
            if (parent->isStorageDriver) {
                if (!isWholeMedia || parent->isComposite) {
                    unsupported_ = true;
                } else {
                    drivers_.insert(parentID);
                    media_.insert(id);
                }
            } else {
                visit(parentID, depth + 1);
            }
        }
        onPath_.erase(id);
        finished_.insert(id);
    }

    StorageTopology result() const {
        using Status = StorageTopology::Status;
        if (unsupported_) return {Status::unsupported, std::nullopt, std::nullopt};
        if (incomplete_) return {Status::incomplete, std::nullopt, std::nullopt};
        if (drivers_.size() <= 1 && media_.size() <= 1) {
            if (drivers_.size() == 1 && !reachedRoot_)
                return {Status::verified, *drivers_.begin(), *media_.begin()};
            return {Status::unresolved, std::nullopt, std::nullopt};
        }
        return {Status::ambiguous, std::nullopt, std::nullopt};
    }

private:
    const StorageTopology::Node* fetch(std::uint64_t id) {
        if (auto found = memo_.find(id); found != memo_.end()) return &found->second;
        if (memo_.size() >= memoCapacity) {
            incomplete_ = true;
            return nullptr;
        }
        std::optional<StorageTopology::Node> node = lookup_ ? lookup_(id) : std::nullopt;
        if (!node || node->id != id) {
            incomplete_ = true;
            return nullptr;
        }
        return &memo_.emplace(id, std::move(*node)).first->second;
    }

    const StorageTopology::Lookup& lookup_;
    std::unordered_map<std::uint64_t, StorageTopology::Node> memo_;
    std::unordered_set<std::uint64_t> onPath_;
    std::unordered_set<std::uint64_t> finished_;
    std::unordered_set<std::uint64_t> drivers_;
    std::unordered_set<std::uint64_t> media_;
    bool unsupported_ = false;
    bool incomplete_ = false;
    bool reachedRoot_ = false;
};

}  // namespace

StorageTopology StorageTopology::resolve(std::uint64_t start, const Lookup& lookup) {
    Resolver resolver(lookup);
    resolver.visit(start, 0);
    return resolver.result();
}

}  // namespace wendmark
