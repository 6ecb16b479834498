#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Doubles/FakeRegistry.h"
#include "Platform/Disks/DiskArbitration.h"

// One disk of the fake disk service.
struct FakeDiskSpec {
    std::optional<std::string> bsdName;
    std::optional<platform::DiskDescription> description;  // absent: copyDescription fails
    std::optional<std::uint64_t> mediaEntryID;              // absent: copyIOMedia fails
};

// An in-memory disk service whose disks' media entries live in a FakeRegistry. Adding, removing
// and changing disks raises the events on every session, delivered by the session rules (on the
// attached queue, never after unregister or detach). Disk objects read the current state at each
// call, so a change is seen by disks handed out earlier; a removed disk reads as gone.
class FakeDiskArbitration final : public platform::DiskArbitration {
public:
    explicit FakeDiskArbitration(std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>());
    ~FakeDiskArbitration() override;

    platform::DiskSessionPtr createSession() override;
    std::shared_ptr<platform::Registry> registry() override;
    const std::shared_ptr<FakeRegistry>& fakeRegistry() const { return registry_; }

    void setFailSessionCreation(bool fail);

    // A disk with the name of a present one replaces it (a new disk).
    void addDisk(FakeDiskSpec spec);
    void removeDisk(const std::string& bsdName);
    void changeDisk(const std::string& bsdName, std::optional<platform::DiskDescription> description,
                    std::vector<platform::DescriptionKey> keys = {});
    void setMediaEntryID(const std::string& bsdName, std::optional<std::uint64_t> mediaEntryID);
    void setCreateFromBSDNameFails(const std::string& bsdName, bool fail);
    void setVolumePath(const std::string& path, const std::string& bsdName);
    void removeVolumePath(const std::string& path);

    // "registerDiskAppeared", "registerDiskDisappeared", "registerDiskDescriptionChanged",
    // "unregisterCallback", "setDispatchQueue", "setDispatchQueue(null)", in call order over all
    // sessions.
    std::vector<std::string> calls() const;
    std::size_t sessionsCreated() const;
    std::size_t sessionsAlive() const;

    struct State;

private:
    std::shared_ptr<FakeRegistry> registry_;
    std::shared_ptr<State> state_;
};
