#include "DeviceSelectorModel.h"

#include <algorithm>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/LinkBandwidthText.h"
#include "StoreSelection.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

namespace {
// Every text of the selector.
constexpr const char* chooseTitle = "장치 선택";
constexpr const char* waitingTitle = "연결 대기";
constexpr const char* menuLabel = "외장 장치 선택";
constexpr const char* noSelectionValue = "선택 없음";
constexpr const char* noSelectionHelp = "관측할 외장 장치를 선택합니다";
constexpr const char* volumesPrefix = "볼륨 ";
constexpr const char* volumesSuffix = "개 연결";
constexpr const char* unmountedText = "마운트 안 됨";
constexpr const char* partSeparator = " · ";
constexpr const char* devicesSuffix = "개 장치가 연결되어 있습니다";
constexpr const char* connectPrompt = "외장 저장장치를 연결해 주세요";
constexpr const char* linkPrefix = "연결 상한 ";
constexpr const char* forgetTitle = "관측 대상 기억 해제";
constexpr const char* rememberTitle = "이 대상으로 기억";

std::string facts(const wendmark::DeviceSnapshot& device, const LocaleFormatter& locale) {
    std::string text;
    auto add = [&](const std::string& part) {
        if (!text.empty()) text += partSeparator;
        text += part;
    };
    if (device.capacity) {
        const auto clamped = std::min(*device.capacity, DeviceSelectorModel::largestFormattedCapacity);
        add(locale.byteCount(static_cast<std::int64_t>(clamped)));
    }
    if (device.protocolName) add(*device.protocolName);
    const auto mounted = device.mountedCount();
    add(mounted >= 1 ? volumesPrefix + std::to_string(mounted) + volumesSuffix : std::string(unmountedText));
    return text;
}
}  // namespace

DeviceSelectorModel DeviceSelectorModel::make(const ObserverStore& store, bool compact, bool allowsRemembering,
                                              const LocaleFormatter& locale) {
    const auto& devices = store.snapshot().devices;
    const auto* selected = selectedDevice(store);
    DeviceSelectorModel m;
    m.compact = compact;
    m.leadingSymbol = selected && selected->mountedCount() >= 1 ? "externaldrive.badge.checkmark" : "externaldrive";
    m.menuTitle = selected ? selected->displayName() : devices.empty() ? waitingTitle : chooseTitle;
    m.showsChevron = !devices.empty();
    m.menuEnabled = !devices.empty();
    for (const auto& device : devices) m.items.push_back({device.id, device.displayName(), &device == selected});
    m.checkmarkSymbol = "checkmark";
    m.menuAccessibilityLabel = menuLabel;
    m.menuAccessibilityValue = selected ? selected->displayName() : noSelectionValue;
    m.menuHelp = selected ? selected->displayName() : noSelectionHelp;

    if (selected)
        m.subtitle = facts(*selected, locale);
    else if (store.rememberedTarget())
        m.subtitle = store.targetStatus();
    else if (!devices.empty())
        m.subtitle = std::to_string(devices.size()) + devicesSuffix;
    else
        m.subtitle = connectPrompt;

    if (selected && selected->linkBandwidth)
        m.link = LinkLine{"cable.connector", linkPrefix + LinkBandwidthText{*selected->linkBandwidth}.rate(),
                          std::string(LinkBandwidthText::explanation)};

    if (allowsRemembering && selected) {
        const bool remembered = isSelectionRemembered(store);
        m.remember = remembered ? RememberButton{forgetTitle, "pin.fill", true, true, true}
                                : RememberButton{rememberTitle, "pin", false, store.canRememberSelectedTarget(), false};
    }
    return m;
}

}  // namespace quentrel
