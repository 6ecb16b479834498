#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LocaleTexts.h"
#include "Wendmark/ActivityInterval.h"
#include "Wendmark/DeviceSnapshot.h"
#include "Wendmark/StatisticsAccess.h"

namespace quentrel {

class ObserverStore;

// The device details window: the selected device's facts, link bound, volumes and I/O
// statistics, or a placeholder when no device of the current snapshot is selected.
struct DeviceDetailsModel {
    static constexpr std::string_view title = "장치 정보";
    static constexpr std::string_view placeholderTitle = "선택된 장치 없음";
    static constexpr std::string_view placeholderSymbol = "externaldrive";
    static constexpr std::string_view volumesTitle = "볼륨";
    static constexpr std::string_view statisticsTitle = "I/O 통계";
    static constexpr std::string_view modelLabel = "모델";
    static constexpr std::string_view capacityLabel = "용량";
    static constexpr std::string_view protocolLabel = "연결";
    static constexpr std::string_view linkLabel = "연결 상한";
    static constexpr std::string_view mountedLabel = "연결된 볼륨";
    static constexpr std::string_view mountedSuffix = "개";
    static constexpr std::string_view peakReadLabel = "최근 5분 관측 최고 · 읽기";
    static constexpr std::string_view peakWriteLabel = "최근 5분 관측 최고 · 쓰기";
    static constexpr std::string_view peakCaption = "관측한 구간 평균의 최고값입니다. 제조사 사양이나 성능 시험 결과가 아닙니다.";
    static constexpr std::string_view accessLabel = "조회";
    static constexpr std::string_view counterReadLabel = "드라이버 누적 읽기";
    static constexpr std::string_view counterWriteLabel = "드라이버 누적 쓰기";
    static constexpr std::string_view mountedSymbol = "checkmark.circle";
    static constexpr std::string_view unmountedSymbol = "minus.circle";
    static constexpr std::string_view mountedHelp = "마운트됨";
    static constexpr std::string_view unmountedHelp = "마운트 안 됨";
    static constexpr std::string_view partSeparator = " · ";

    struct Row {
        std::string label;
        std::string value;
        friend bool operator==(const Row&, const Row&) = default;
    };

    struct Volume {
        std::string id;  // the BSD name: the row's identity, never shown
        std::string name;
        bool isMounted = false;
        std::string symbol;  // "checkmark.circle" (accent) or "minus.circle" (muted)
        std::string help;
        // File system in upper case and capacity, those present, joined by " · "; may be empty.
        std::string caption;
        std::optional<std::string> mountPath;
        friend bool operator==(const Volume&, const Volume&) = default;
    };

    struct Device {
        std::string title;  // displayName
        // Model, capacity, connection, link bound, mounted volumes; absent sources left out.
        std::vector<Row> rows;
        // The link bound's explanation, under its row; present exactly with that row.
        std::optional<std::string> linkCaption;
        std::vector<Volume> volumes;
        // The two peak rows, present together, with the peak caption under them.
        std::vector<Row> peakRows;
        Row access;
        // The two driver counter rows, or none.
        std::vector<Row> counterRows;
        // The latest sample's measurement time (abbreviated date, standard time).
        std::string measuredAt;
        std::optional<std::string> reason;
        friend bool operator==(const Device&, const Device&) = default;
    };

    // Absent: the placeholder.
    std::optional<Device> device;

    static DeviceDetailsModel make(const ObserverStore& store, const LocaleTexts& texts);
    // The same from the values the window reads.
    static DeviceDetailsModel make(const std::vector<wendmark::DeviceSnapshot>& devices,
                                   const std::optional<std::string>& selectedID,
                                   const std::vector<wendmark::ActivityInterval>& selectedIntervals,
                                   const LocaleTexts& texts);

    // The "조회" row's text for an access record (absent: not yet asked).
    static std::string_view accessText(const std::optional<wendmark::StatisticsAccess>& access);

    friend bool operator==(const DeviceDetailsModel&, const DeviceDetailsModel&) = default;
};

}  // namespace quentrel
