#pragma once

// A mirror store, as the UI app runs it, with every command it sends captured, and builders of
// the states the views are tested in.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ObserverUIState.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Support/JSONTree.h"

namespace viewtest {

inline constexpr double kNow = 700'000'000;  // 2023-03-08 20:26:40 UTC, seconds since 2001-01-01

inline platform::UUID uuid(unsigned last) {
    char text[37];
    std::snprintf(text, sizeof text, "0A7B2C3D-4E5F-4A6B-8C7D-%012X", last);
    return *platform::UUID::fromString(text);
}

inline wendmark::VolumeSnapshot volume(std::string bsdName, std::string name, bool mounted, unsigned uuidNumber) {
    wendmark::VolumeSnapshot v;
    v.bsdName = std::move(bsdName);
    v.name = std::move(name);
    v.isMounted = mounted;
    if (mounted) v.mountPath = "/media/user/" + v.name;
    v.volumeUUID = uuid(uuidNumber).uuidString();
    return v;
}

// A device of one mounted volume "<name>" with a 1-second sample of the given bytes.
inline wendmark::DeviceSnapshot device(std::string id, std::string name, unsigned uuidNumber = 1,
                                       std::uint64_t read = 12'300'000, std::uint64_t written = 0) {
    wendmark::DeviceSnapshot d;
    d.id = std::move(id);
    d.model = "Portable SSD";
    d.protocolName = "USB";
    d.capacity = 1'000'204'886'016;
    d.volumes = {volume("sdb1", std::move(name), true, uuidNumber)};
    d.activity = wendmark::ActivitySample::measured(1.0, read, written, platform::Date{kNow});
    d.topologyVerified = true;
    d.observedAt = platform::Date{kNow};
    d.linkBandwidth = wendmark::LinkBandwidth{wendmark::LinkBandwidth::Transport::usb, 10'000'000'000};
    return d;
}

inline wendmark::ObservationTarget targetOf(const wendmark::DeviceSnapshot& d) {
    return *wendmark::ObservationTarget::fromDevice(d, platform::Date{kNow - 86'400});
}

inline wendmark::WorkSession session(std::uint64_t read, std::uint64_t written, double observed, double elapsed) {
    return {uuid(500), platform::Date{kNow - elapsed}, platform::Date{kNow}, read, written, observed, elapsed,
            std::nullopt};
}

// A connection record as the agent sends it.
inline wendmark::ConnectionStability stability(testjson::Tree record) {
    return testjson::decodeTree<wendmark::ConnectionStability>(record);
}

struct Mirror {
    std::vector<quentrel::ObserverUICommand> commands;
    std::shared_ptr<quentrel::ObserverStore> store;
    quentrel::ObserverUIState state;

    Mirror() {
        store = quentrel::ObserverStore::make({
            .preferences = std::make_shared<platform::MemoryDefaultsDatabase>("local.test.KavrinetUI"),
            .remoteCommand = [this](const quentrel::ObserverUICommand& c) { commands.push_back(c); },
        });
        state.sampling = {true, 1.0, "창이 보이는 동안 1초마다 관측합니다."};
        state.historyReferenceDate = platform::Date{kNow};
        state.targetStatus = "기억된 관측 대상 없음";
        state.onboardingCompleted = true;
    }
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;

    // `state` as the next state message.
    quentrel::ObserverStore& apply() {
        store->applyUIState(state);
        return *store;
    }
    // The devices, with the first one selected (or none).
    Mirror& withDevices(std::vector<wendmark::DeviceSnapshot> devices, std::optional<std::size_t> selected = 0) {
        state.snapshot.devices = std::move(devices);
        state.selectedID.reset();
        if (selected && *selected < state.snapshot.devices.size())
            state.selectedID = state.snapshot.devices[*selected].id;
        return *this;
    }
};

}  // namespace viewtest
