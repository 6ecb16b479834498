#pragma once

// UI states for the protocol's tests and benchmark.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "Platform/Foundation/UUID.h"
#include "Quentrel/Services/ObserverUIState.h"
#include "Support/JSONTree.h"

namespace uistate {

inline constexpr double kStart = 700'000'000;  // 2023-03-09 in seconds since 2001-01-01

inline platform::UUID uuid(unsigned last) {
    char text[37];
    std::snprintf(text, sizeof text, "E621E1F8-C36C-495A-93FC-%012X", last);
    return *platform::UUID::fromString(text);
}

inline wendmark::VolumeSnapshot volume(std::string bsdName, std::string name, unsigned uuidNumber) {
    return {bsdName, name, "exfat", true, "/media/" + name, uuid(uuidNumber).uuidString(), 500'107'862'016};
}

inline wendmark::DeviceSnapshot device(std::string id, std::string model) {
    return {id, model, "USB", 1'000'204'886'016, true, {}, wendmark::IOCounters{123'456'789, 987'654'321},
            wendmark::ActivitySample::measured(1, 4096, 0, platform::Date{kStart}), true,
            "IOBlockStorageDriver", platform::Date{kStart}, std::nullopt,
            wendmark::LinkBandwidth{wendmark::LinkBandwidth::Transport::usb, 10'000'000'000}};
}

inline wendmark::WorkSession session(unsigned number, std::optional<wendmark::SessionEndReason> end) {
    const double start = kStart - 3600.0 * (number + 1);
    return {uuid(number), platform::Date{start}, platform::Date{start + 1800.25}, 1'000'000ull * number,
            2'000'000ull * number, 1700.5, 1800.25, end};
}

// The largest state a push carries: 8 devices of 4 volumes, a full graph window of 300 intervals,
// 100 recent events, 30 completed sessions after the running one and 30 connection changes.
inline quentrel::ObserverUIState richState() {
    quentrel::ObserverUIState s;
    s.snapshot.capturedAt = platform::Date{kStart};
    s.snapshot.status = "외장 장치 8개";
    s.snapshot.sessionAvailable = true;
    s.snapshot.externalMediaCount = 32;
    s.snapshot.statisticsQueryCount = 4812;
    s.snapshot.revision = 97;
    for (unsigned d = 0; d < 8; ++d) {
        auto dev = device("driver:" + std::to_string(4'294'968'000u + d), "Portable SSD T" + std::to_string(d));
        for (unsigned v = 0; v < 4; ++v)
            dev.volumes.push_back(volume("sd" + std::string(1, char('b' + d)) + std::to_string(v + 1),
                                         "Volume " + std::to_string(d) + "-" + std::to_string(v), d * 4 + v));
        s.snapshot.devices.push_back(dev);
    }
    s.selectedID = s.snapshot.devices.front().id;
    s.sampling = {true, 1.0, "창이 보이는 동안 1초마다 관측합니다."};
    s.visibleSurfaceCount = 2;
    s.rememberedTarget = wendmark::ObservationTarget::fromDevice(s.snapshot.devices.front(), platform::Date{kStart - 86400});
    s.targetStatus = "기억한 SSD가 연결되어 있습니다.";
    s.backgroundPolling = true;
    s.showStatusOnLaunch = true;
    s.onboardingCompleted = true;
    s.historyReferenceDate = platform::Date{kStart};
    for (unsigned i = 0; i < 100; ++i)
        s.recentEvents.push_back({platform::Date{kStart - 60.0 * i}, "외장 장치 목록 갱신 · " + std::to_string(i)});
    for (unsigned i = 0; i < 300; ++i)
        s.intervals.push_back({1000 + i, platform::Date{kStart - 300.0 + i}, platform::Date{kStart - 299.0 + i},
                               1'048'576.0 * (i % 7), 524'288.5 * (i % 5)});
    s.currentSession = session(0, std::nullopt);
    s.sessions.push_back(*s.currentSession);
    for (unsigned i = 1; i <= 30; ++i) s.sessions.push_back(session(i, wendmark::SessionEndReason::disconnected));
    testjson::Tree changes = testjson::Tree::array();
    for (unsigned i = 0; i < 30; ++i)
        changes.push_back({{"id", uuid(100 + i).uuidString()},
                           {"date", kStart - 600.0 * i},
                           {"outcome", "recovered"},
                           {"recoveredAt", kStart - 600.0 * i + 2.5},
                           {"gapSeconds", 2.5}});
    s.connectionStability = testjson::decodeTree<wendmark::ConnectionStability>(
        {{"state", "connected"}, {"startedAt", kStart - 86400}, {"lastLossAt", kStart - 600},
         {"lossCount", 30}, {"recoveryCount", 30}, {"identityChangeCount", 0},
         {"confirmedGapSeconds", 75.0}, {"changes", changes}});
    s.loginEnabled = true;
    s.loginStatus = "로그인 시 자동 실행";
    s.noticesEnabled = true;
    s.noticePermission = quentrel::NoticePermission::allowed;
    s.noticeStatus = "알림 허용됨";
    return s;
}

// The agent's state `second` seconds into a run with the quick view open, for `devices` drives:
// the sample, counters and capture time move every second, the graph's window slides by one
// interval with new rates, and the running session grows.
inline quentrel::ObserverUIState stateAt(int devices, int second) {
    static std::map<int, quentrel::ObserverUIState> bases;
    if (!bases.count(devices)) {
        quentrel::ObserverUIState base = richState();
        base.snapshot.devices.resize(static_cast<std::size_t>(std::min(devices, 8)));
        base.snapshot.externalMediaCount = static_cast<std::int64_t>(base.snapshot.devices.size() * 4);
        bases[devices] = base;
    }
    quentrel::ObserverUIState s = bases[devices];
    const auto seconds = static_cast<std::uint64_t>(second);  // the byte counts' factor
    const double now = kStart + second;
    s.snapshot.capturedAt = platform::Date{now};
    s.historyReferenceDate = platform::Date{now};
    for (std::size_t d = 0; d < s.snapshot.devices.size(); ++d) {
        auto& device = s.snapshot.devices[d];
        const std::uint64_t read = 1'048'576ull * ((seconds * 7 + d) % 13);
        const std::uint64_t written = 524'288ull * ((seconds * 3 + d) % 5);
        device.counters = wendmark::IOCounters{device.counters->bytesRead + read * seconds,
                                               device.counters->bytesWritten + written * seconds};
        device.activity = wendmark::ActivitySample::measured(1, read, written, platform::Date{now});
        device.observedAt = platform::Date{now};
    }
    auto& intervals = s.intervals;
    for (int i = 0; i < second; ++i) {
        const std::uint64_t id = intervals.back().id + 1;
        const double end = intervals.back().end.sinceReferenceDate + 1;
        intervals.erase(intervals.begin());
        intervals.push_back({id, platform::Date{end - 1}, platform::Date{end}, 1'048'576.0 * ((id * 7) % 13),
                             524'288.5 * ((id * 3) % 5)});
        if (intervals.size() > 300) intervals.erase(intervals.begin());
    }
    if (s.currentSession) {
        s.currentSession->bytesRead += 5'000'000ull * seconds;
        s.currentSession->bytesWritten += 2'500'000ull * seconds;
        s.currentSession->observedSeconds += second;
        s.currentSession->elapsedSeconds += second;
        s.currentSession->updatedAt = platform::Date{now};
        s.sessions.front() = *s.currentSession;
    }
    return s;
}

}  // namespace uistate
