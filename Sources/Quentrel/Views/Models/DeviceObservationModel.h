#pragma once

#include <optional>
#include <string>

#include "Quentrel/Support/LocaleFormatter.h"
#include "Wendmark/DeviceSnapshot.h"
#include "Wendmark/ObservedPeakRates.h"

namespace quentrel {

class ObserverStore;

// What the device observation panel shows: the live read and write rates of one device with
// their five-minute peaks, a status badge and the length and time of the sample. Every text of
// the panel is here.
struct DeviceObservationModel {
    // One rate column (read on the left, write on the right).
    struct Column {
        std::string title;               // "읽기" / "쓰기"
        std::string symbol;
        std::string value;               // the number text, "—" without a rate
        std::string unit;                // "B/s" without a rate
        std::string peakLine;            // "최근 5분 최고 " and the peak text
        std::string peakHelp;
        std::string accessibilityLabel;  // the column is one element

        friend bool operator==(const Column&, const Column&) = default;
    };

    std::string headerTitle;
    std::string badgeTitle;
    std::string badgeSymbol;
    bool badgeMuted = false;  // muted while the sample is historical, else accent
    Column read;
    Column write;
    std::string footerSymbol;
    // The interval length ("1.0초 구간") and the separator after it; absent together.
    std::optional<std::string> intervalText;
    std::string separator;
    std::string timeText;  // the measurement time, or that the next sample is awaited
    bool compact = false;

    // The panel for `device`. `isActivityHistorical`: sampling is off, the sample is the last
    // one taken; `awaitingFreshSample`: observation (re)started after the sample was taken, so
    // no rate is shown.
    static DeviceObservationModel make(const wendmark::DeviceSnapshot& device, bool isActivityHistorical,
                                       bool awaitingFreshSample, bool compact, const wendmark::ObservedPeakRates& peaks,
                                       const LocaleFormatter& locale);

    // The selected device's panel as the quick view and the dashboard build it from the store;
    // absent without a selected device.
    static std::optional<DeviceObservationModel> fromStore(const ObserverStore& store, bool compact,
                                                           const LocaleFormatter& locale);

    friend bool operator==(const DeviceObservationModel&, const DeviceObservationModel&) = default;
};

}  // namespace quentrel
