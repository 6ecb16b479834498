#include "DeviceDetailsModel.h"

#include <algorithm>
#include <limits>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/LinkBandwidthText.h"
#include "Quentrel/Support/TransferRate.h"
#include "Wendmark/ObservedPeakRates.h"

namespace quentrel {

namespace {
std::string upperCased(std::string text) {
    // File-system type names are ASCII ("apfs", "msdos", "exfat"); other bytes stay as they are.
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

// Counts beyond the signed 64-bit range reach the formatter as its largest value.
std::string bytesText(std::uint64_t bytes, const LocaleTexts& texts) {
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return texts.decimalByteCount(static_cast<std::int64_t>(bytes > largest ? largest : bytes));
}

// The first device whose id is the selected one; null without a selection or a match.
const wendmark::DeviceSnapshot* selectedIn(const std::vector<wendmark::DeviceSnapshot>& devices,
                                           const std::optional<std::string>& selectedID) {
    if (!selectedID) return nullptr;
    for (const auto& device : devices)
        if (device.id == *selectedID) return &device;
    return nullptr;
}
}  // namespace

std::string_view DeviceDetailsModel::accessText(const std::optional<wendmark::StatisticsAccess>& access) {
    if (!access) return "대기";
    switch (access->outcome) {
    case wendmark::StatisticsOutcome::available: return "조회 성공";
    case wendmark::StatisticsOutcome::notExposed: return "현재 드라이버에 통계 없음";
    case wendmark::StatisticsOutcome::accessDenied: return "접근 권한 거부";
    case wendmark::StatisticsOutcome::deviceMissing: return "장치 객체 없음";
    case wendmark::StatisticsOutcome::failed: return "조회 오류";
    case wendmark::StatisticsOutcome::notRequested: return "조회 전";
    }
    return "대기";
}

DeviceDetailsModel DeviceDetailsModel::make(const ObserverStore& store, const LocaleTexts& texts) {
    return make(store.snapshot().devices, store.selectedID(), store.selectedIntervals(), texts);
}

DeviceDetailsModel DeviceDetailsModel::make(const std::vector<wendmark::DeviceSnapshot>& devices,
                                            const std::optional<std::string>& selectedID,
                                            const std::vector<wendmark::ActivityInterval>& selectedIntervals,
                                            const LocaleTexts& texts) {
    DeviceDetailsModel model;
    const auto* selected = selectedIn(devices, selectedID);
    if (!selected) return model;
    const auto& d = *selected;

    Device device;
    device.title = d.displayName();
    device.rows.push_back({std::string(modelLabel), d.model});
    if (d.capacity) device.rows.push_back({std::string(capacityLabel), bytesText(*d.capacity, texts)});
    if (d.protocolName) device.rows.push_back({std::string(protocolLabel), *d.protocolName});
    if (d.linkBandwidth) {
        const LinkBandwidthText link{*d.linkBandwidth};
        device.rows.push_back({std::string(linkLabel), link.rate() + std::string(partSeparator) + link.nominalBytes()});
        device.linkCaption = std::string(LinkBandwidthText::explanation);
    }
    device.rows.push_back({std::string(mountedLabel), std::to_string(d.mountedCount()) + std::string(mountedSuffix)});

    for (const auto& v : d.volumes) {
        Volume volume;
        volume.id = v.bsdName;
        volume.name = v.name;
        volume.isMounted = v.isMounted;
        volume.symbol = v.isMounted ? mountedSymbol : unmountedSymbol;
        volume.help = v.isMounted ? mountedHelp : unmountedHelp;
        if (v.fileSystem) volume.caption = upperCased(*v.fileSystem);
        if (v.capacity) {
            if (v.fileSystem) volume.caption += partSeparator;
            volume.caption += bytesText(*v.capacity, texts);
        }
        volume.mountPath = v.mountPath;
        device.volumes.push_back(std::move(volume));
    }

    const wendmark::ObservedPeakRates peaks(selectedIntervals);
    if (peaks.read && peaks.write) {
        device.peakRows.push_back({std::string(peakReadLabel), TransferRate::withUnit(*peaks.read)});
        device.peakRows.push_back({std::string(peakWriteLabel), TransferRate::withUnit(*peaks.write)});
    }
    device.access = {std::string(accessLabel), std::string(accessText(d.statisticsAccess))};
    if (d.counters) {
        device.counterRows.push_back({std::string(counterReadLabel), bytesText(d.counters->bytesRead, texts)});
        device.counterRows.push_back({std::string(counterWriteLabel), bytesText(d.counters->bytesWritten, texts)});
    }
    device.measuredAt = texts.abbreviatedDateTime(d.activity.measuredAt);
    device.reason = d.activity.reason;
    model.device = std::move(device);
    return model;
}

}  // namespace quentrel
