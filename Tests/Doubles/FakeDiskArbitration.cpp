#include "Doubles/FakeDiskArbitration.h"

#include <map>
#include <mutex>

using platform::DescriptionKey;
using platform::DiskDescription;
using platform::DiskPtr;
using platform::RegistryObject;

namespace {
class FakeDiskSession;
}

struct FakeDiskArbitration::State {
    struct DiskRecord {
        FakeDiskSpec spec;
        bool createFails = false;
    };

    std::mutex mutex;
    std::shared_ptr<FakeRegistry> registry;
    std::map<std::uint64_t, DiskRecord> disks;  // by disk number, in the order added
    std::map<std::string, std::uint64_t> byName;
    std::map<std::string, std::string> volumePaths;
    std::uint64_t nextNumber = 1;
    bool failSessionCreation = false;
    std::vector<std::string> calls;
    std::size_t sessionsCreated = 0;
    std::vector<std::weak_ptr<FakeDiskSession>> sessions;

    std::vector<std::shared_ptr<FakeDiskSession>> liveSessions() {
        std::vector<std::shared_ptr<FakeDiskSession>> live;
        for (const auto& weak : sessions)
            if (auto session = weak.lock()) live.push_back(std::move(session));
        return live;
    }
};

namespace {

using State = FakeDiskArbitration::State;

class FakeDisk final : public platform::Disk {
public:
    FakeDisk(std::shared_ptr<State> state, std::uint64_t number, std::optional<std::string> name)
        : state_(std::move(state)), number_(number), name_(std::move(name)) {}

    std::optional<std::string> bsdName() const override { return name_; }

    std::optional<DiskDescription> copyDescription() const override {
        std::lock_guard lock(state_->mutex);
        auto it = state_->disks.find(number_);
        if (it == state_->disks.end()) return std::nullopt;
        return it->second.spec.description;
    }

    std::optional<RegistryObject> copyIOMedia() const override {
        std::optional<std::uint64_t> id;
        {
            std::lock_guard lock(state_->mutex);
            auto it = state_->disks.find(number_);
            if (it != state_->disks.end()) id = it->second.spec.mediaEntryID;
        }
        if (!id) return std::nullopt;
        return state_->registry->matchingEntryID(*id);
    }

private:
    std::shared_ptr<State> state_;
    std::uint64_t number_;
    std::optional<std::string> name_;
};

class FakeDiskSession final : public platform::DiskSession {
public:
    explicit FakeDiskSession(std::shared_ptr<State> state) : state_(std::move(state)) {}

    DiskPtr diskFromBSDName(const std::string& name) override {
        std::lock_guard lock(state_->mutex);
        return diskNamed(name);
    }

    DiskPtr diskFromVolumePath(const std::string& path) override {
        std::lock_guard lock(state_->mutex);
        auto it = state_->volumePaths.find(path);
        return it == state_->volumePaths.end() ? nullptr : diskNamed(it->second);
    }

    void raiseAppeared(DiskPtr disk) { postAppeared(std::move(disk)); }
    void raiseDisappeared(DiskPtr disk) { postDisappeared(std::move(disk)); }
    void raiseChanged(DiskPtr disk, std::vector<DescriptionKey> keys) {
        postDescriptionChanged(std::move(disk), std::move(keys));
    }

protected:
    std::vector<DiskPtr> presentDisks() override {
        std::lock_guard lock(state_->mutex);
        std::vector<DiskPtr> disks;
        for (const auto& [number, record] : state_->disks)
            disks.push_back(std::make_shared<FakeDisk>(state_, number, record.spec.bsdName));
        return disks;
    }

    void noteCall(std::string_view call) override {
        std::lock_guard lock(state_->mutex);
        state_->calls.emplace_back(call);
    }

private:
    DiskPtr diskNamed(const std::string& name) {  // with the state's mutex held
        auto it = state_->byName.find(name);
        if (it == state_->byName.end() || state_->disks.at(it->second).createFails) return nullptr;
        return std::make_shared<FakeDisk>(state_, it->second, name);
    }

    std::shared_ptr<State> state_;
};

}  // namespace

FakeDiskArbitration::FakeDiskArbitration(std::shared_ptr<FakeRegistry> registry)
    : registry_(std::move(registry)), state_(std::make_shared<State>()) {
    state_->registry = registry_;
}

FakeDiskArbitration::~FakeDiskArbitration() = default;

platform::DiskSessionPtr FakeDiskArbitration::createSession() {
    std::lock_guard lock(state_->mutex);
    if (state_->failSessionCreation) return nullptr;
    auto session = std::make_shared<FakeDiskSession>(state_);
    state_->sessions.push_back(session);
    ++state_->sessionsCreated;
    return session;
}

std::shared_ptr<platform::Registry> FakeDiskArbitration::registry() { return registry_; }

void FakeDiskArbitration::setFailSessionCreation(bool fail) {
    std::lock_guard lock(state_->mutex);
    state_->failSessionCreation = fail;
}

void FakeDiskArbitration::addDisk(FakeDiskSpec spec) {
    std::vector<std::shared_ptr<FakeDiskSession>> sessions;
    DiskPtr disk;
    {
        std::lock_guard lock(state_->mutex);
        auto number = state_->nextNumber++;
        if (spec.bsdName) {
            if (auto old = state_->byName.find(*spec.bsdName); old != state_->byName.end())
                state_->disks.erase(old->second);
            state_->byName[*spec.bsdName] = number;
        }
        disk = std::make_shared<FakeDisk>(state_, number, spec.bsdName);
        state_->disks[number] = State::DiskRecord{std::move(spec), false};
        sessions = state_->liveSessions();
    }
    for (const auto& session : sessions) session->raiseAppeared(disk);
}

void FakeDiskArbitration::removeDisk(const std::string& bsdName) {
    std::vector<std::shared_ptr<FakeDiskSession>> sessions;
    DiskPtr disk;
    {
        std::lock_guard lock(state_->mutex);
        auto it = state_->byName.find(bsdName);
        if (it == state_->byName.end()) return;
        disk = std::make_shared<FakeDisk>(state_, it->second, bsdName);
        state_->disks.erase(it->second);
        state_->byName.erase(it);
        sessions = state_->liveSessions();
    }
    for (const auto& session : sessions) session->raiseDisappeared(disk);
}

void FakeDiskArbitration::changeDisk(const std::string& bsdName, std::optional<DiskDescription> description,
                                     std::vector<DescriptionKey> keys) {
    std::vector<std::shared_ptr<FakeDiskSession>> sessions;
    DiskPtr disk;
    {
        std::lock_guard lock(state_->mutex);
        auto it = state_->byName.find(bsdName);
        if (it == state_->byName.end()) return;
        state_->disks.at(it->second).spec.description = std::move(description);
        disk = std::make_shared<FakeDisk>(state_, it->second, bsdName);
        sessions = state_->liveSessions();
    }
    for (const auto& session : sessions) session->raiseChanged(disk, keys);
}

void FakeDiskArbitration::setMediaEntryID(const std::string& bsdName, std::optional<std::uint64_t> mediaEntryID) {
    std::lock_guard lock(state_->mutex);
    auto it = state_->byName.find(bsdName);
    if (it != state_->byName.end()) state_->disks.at(it->second).spec.mediaEntryID = mediaEntryID;
}

void FakeDiskArbitration::setCreateFromBSDNameFails(const std::string& bsdName, bool fail) {
    std::lock_guard lock(state_->mutex);
    auto it = state_->byName.find(bsdName);
    if (it != state_->byName.end()) state_->disks.at(it->second).createFails = fail;
}

void FakeDiskArbitration::setVolumePath(const std::string& path, const std::string& bsdName) {
    std::lock_guard lock(state_->mutex);
    state_->volumePaths[path] = bsdName;
}

void FakeDiskArbitration::removeVolumePath(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    state_->volumePaths.erase(path);
}

std::vector<std::string> FakeDiskArbitration::calls() const {
    std::lock_guard lock(state_->mutex);
    return state_->calls;
}

std::size_t FakeDiskArbitration::sessionsCreated() const {
    std::lock_guard lock(state_->mutex);
    return state_->sessionsCreated;
}

std::size_t FakeDiskArbitration::sessionsAlive() const {
    std::lock_guard lock(state_->mutex);
    return state_->liveSessions().size();
}
