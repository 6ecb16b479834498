#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ActivityHistoryModel.h"
#include "Quentrel/Services/ObserverUICommand.h"

namespace quentrel {

class ObserverStore;

// The dashboard window ("status"): what it shows besides the views it embeds (device selector,
// device panel, session card and connection row build their own), and the enabled rules of its
// buttons. Every text of the dashboard is here.
struct ObservationContentModel {
    struct Button {
        std::string_view title;
        std::string_view symbol;
        std::string_view identifier;
        std::string_view shortcut;  // portable text ("Ctrl+L"), empty for none
        friend constexpr bool operator==(const Button&, const Button&) = default;
    };
    static constexpr std::string_view title = "Kavrinet";
    static constexpr std::string_view headerSymbol = "externaldrive.fill";
    static constexpr Button quickView{"메뉴바 빠른 보기", "menubar.rectangle", "openQuickView", ""};
    static constexpr Button activityLog{"활동 기록", "clock.arrow.circlepath", "openActivityLog", "Ctrl+L"};
    static constexpr Button settings{"설정", "gearshape", "openSettings", ""};
    static constexpr Button finder{"Finder 열기", "folder", "openSelectedVolume", ""};
    static constexpr Button pause{"I/O 관측 일시중지", "pause.fill", "pauseObservation", ""};
    static constexpr Button resume{"I/O 관측 재개", "play.fill", "pauseObservation", ""};
    static constexpr Button refresh{"지금 확인", "arrow.clockwise", "refreshObservation", "Ctrl+R"};
    static constexpr Button deviceDetails{"장치 정보", "info.circle", "openDeviceDetails", "Ctrl+I"};
    static constexpr std::string_view emptySymbol = "externaldrive.badge.questionmark";
    static constexpr std::string_view chooseDevice = "위에서 관측할 장치를 선택하세요";
    static constexpr std::string_view waitingForDevice = "연결을 기다리고 있어요";
    static constexpr std::string_view errorSymbol = "exclamationmark.circle.fill";
    static constexpr std::string_view footerSymbol = "lock.shield";
    static constexpr std::string_view footerText = "마운트 유지";

    // Window ids the dashboard opens.
    static constexpr std::string_view activityLogWindow = "activity-log";
    static constexpr std::string_view settingsWindow = "settings";
    static constexpr std::string_view deviceDetailsWindow = "device-details";

    // The selected drive's group: panel, graph, session card and action bar.
    struct Device {
        ActivityHistoryInput graph;
        bool finderEnabled = false;
        Button pauseButton = pause;
        bool pauseHighlighted = false;
        bool pauseEnabled = false;
        // What a click on the pause button asks for: the opposite of the paused flag.
        bool pauseRequest = true;
        bool refreshEnabled = false;
        friend bool operator==(const Device&, const Device&) = default;
    };

    // Absent without a selected device: the empty state instead.
    std::optional<Device> device;
    std::string emptyText;
    std::optional<std::string> errorMessage;
    // The observation mode at the footer's end.
    std::string modeSymbol;
    std::string modeText;

    static ObservationContentModel make(const ObserverStore& store);

    // The refresh action. The UI app's mirror sends `refresh` through `remoteCommand` (the sink it
    // was built with; the store keeps its own private); the agent's store refreshes its
    // inventory now unless it is paused or the system sleeps.
    static void refreshObservation(ObserverStore& store, const CommandSink& remoteCommand);

    friend bool operator==(const ObservationContentModel&, const ObservationContentModel&) = default;
};

}  // namespace quentrel
