#pragma once

#include <memory>
#include <utility>

#include "Platform/Disks/DiskArbitration.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"

// The Linux disk service, keeping hold of the session the inventory opens so that a test can hand
// udev events to it.
class ObservedArbitration final : public platform::DiskArbitration {
public:
    explicit ObservedArbitration(std::shared_ptr<platform::UdevDiskArbitration> inner) : inner_(std::move(inner)) {}

    platform::DiskSessionPtr createSession() override {
        auto session = inner_->openSession();
        lastSession = session;
        return session;
    }
    std::shared_ptr<platform::Registry> registry() override { return inner_->registry(); }
    std::unique_ptr<platform::ReadBatch> beginReadBatch() override { return inner_->beginReadBatch(); }

    std::weak_ptr<platform::UdevDiskSession> lastSession;

private:
    std::shared_ptr<platform::UdevDiskArbitration> inner_;
};
