#pragma once

// The UI app's mirror store with a capturing command sink, for the tests of the settings, help,
// data-management and diagnostic windows and their models.

#include <memory>
#include <vector>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ObserverUIState.h"
#include "Quentrel/Stores/ObserverStore.h"

namespace secondarywindows {

using quentrel::ObserverUICommand;
using Case = quentrel::ObserverUICommand::Case;

inline ObserverUICommand command(Case kind) { return ObserverUICommand::make(kind); }
inline ObserverUICommand command(Case kind, bool flag) { return ObserverUICommand::withFlag(kind, flag); }

inline constexpr double kNow = 700'000'000;  // 2023-03-09, seconds since 2001-01-01

inline wendmark::WorkSession session(unsigned number, std::optional<wendmark::SessionEndReason> end) {
    platform::UUID id;
    id.bytes[15] = static_cast<std::uint8_t>(number);
    const double start = kNow - 3600.0 * (number + 1);
    return {id, platform::Date{start}, platform::Date{start + 1800}, 1000, 2000, 1700, 1800, end};
}

inline wendmark::DeviceSnapshot drive(std::string id, std::string volumeName) {
    wendmark::DeviceSnapshot d;
    d.id = std::move(id);
    d.model = "Portable SSD";
    d.capacity = 1'000'204'886'016;
    d.volumes.push_back({"sdb1", std::move(volumeName), "exfat", true, "/media/x",
                         "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", 500'107'862'016});
    return d;
}

inline wendmark::ObservationTarget target(std::string volumeName = "작업 SSD") {
    return *wendmark::ObservationTarget::fromDevice(drive("driver:1", std::move(volumeName)), platform::Date{kNow});
}

struct MirrorHarness {
    std::vector<ObserverUICommand> commands;
    std::shared_ptr<quentrel::ObserverStore> store;
    // The next state push() applies; tests change it and push again.
    quentrel::ObserverUIState state;

    MirrorHarness() {
        store = quentrel::ObserverStore::make({
            .preferences = std::make_shared<platform::MemoryDefaultsDatabase>("local.test.KavrinetUI"),
            .remoteCommand = [this](const ObserverUICommand& c) { commands.push_back(c); },
        });
        state.loginStatus = "로그인 시 실행 꺼짐";
        state.noticeStatus = "대기";
    }
    MirrorHarness(const MirrorHarness&) = delete;
    MirrorHarness& operator=(const MirrorHarness&) = delete;

    void push() { store->applyUIState(state); }
    // The commands sent since the last call.
    std::vector<ObserverUICommand> take() {
        auto sent = std::move(commands);
        commands.clear();
        return sent;
    }
};

}  // namespace secondarywindows
