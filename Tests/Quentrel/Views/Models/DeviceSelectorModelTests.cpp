#include "Quentrel/Views/Models/DeviceSelectorModel.h"

#include <limits>

#include <gtest/gtest.h>

#include "MirrorFixture.h"

using namespace quentrel;
using viewtest::device;

namespace {
const auto& locale = FixedLocaleFormatter::shared();
using Item = DeviceSelectorModel::Item;

// Writes every byte count as its exact number, to see what the selector hands the formatter.
class CountingLocale : public LocaleFormatter {
public:
    std::string decimal(double, int) const override { return {}; }
    std::string byteCount(std::int64_t bytes) const override { return std::to_string(bytes) + " bytes"; }
    std::string time(platform::Date) const override { return {}; }
    std::string dateTime(platform::Date) const override { return {}; }
};

class DeviceSelectorModelTest : public ::testing::Test {
protected:
    DeviceSelectorModel model(bool allowsRemembering = true) {
        return DeviceSelectorModel::make(mirror.apply(), true, allowsRemembering, locale);
    }
    viewtest::Mirror mirror;
};
}  // namespace

TEST_F(DeviceSelectorModelTest, AnEmptySnapshotWaitsForADrive) {
    auto m = model();
    EXPECT_EQ(m.leadingSymbol, "externaldrive");
    EXPECT_EQ(m.menuTitle, "연결 대기");
    EXPECT_FALSE(m.showsChevron);
    EXPECT_FALSE(m.menuEnabled);
    EXPECT_TRUE(m.items.empty());
    EXPECT_EQ(m.subtitle, "외장 저장장치를 연결해 주세요");
    EXPECT_EQ(m.menuAccessibilityLabel, "외장 장치 선택");
    EXPECT_EQ(m.menuAccessibilityValue, "선택 없음");
    EXPECT_EQ(m.menuHelp, "관측할 외장 장치를 선택합니다");
    EXPECT_FALSE(m.link);
    EXPECT_FALSE(m.remember);

    mirror.state.rememberedTarget = viewtest::targetOf(device("driver:1", "Data"));
    mirror.state.targetStatus = "기억한 대상 연결 대기";
    EXPECT_EQ(model().subtitle, "기억한 대상 연결 대기");
}

TEST_F(DeviceSelectorModelTest, DevicesWithoutASelectionAreCounted) {
    mirror.withDevices({device("driver:1", "Data"), device("driver:2", "Backup", 2)}, std::nullopt);
    auto m = model();
    EXPECT_EQ(m.menuTitle, "장치 선택");
    EXPECT_TRUE(m.showsChevron);
    EXPECT_TRUE(m.menuEnabled);
    EXPECT_EQ(m.items, (std::vector<Item>{{"driver:1", "Data", false}, {"driver:2", "Backup", false}}));
    EXPECT_EQ(m.subtitle, "2개 장치가 연결되어 있습니다");
    EXPECT_EQ(m.leadingSymbol, "externaldrive");
    EXPECT_FALSE(m.link);
    EXPECT_FALSE(m.remember);

    // A remembered drive's status wins over the count, even with devices attached.
    mirror.state.rememberedTarget = viewtest::targetOf(device("driver:9", "Other", 9));
    mirror.state.targetStatus = "기억한 대상 연결 대기";
    EXPECT_EQ(model().subtitle, "기억한 대상 연결 대기");
}

TEST_F(DeviceSelectorModelTest, AnIdentifierOfNoSnapshotDeviceIsNoSelection) {
    mirror.withDevices({device("driver:1", "Data")}, std::nullopt);
    mirror.state.selectedID = "driver:gone";
    auto m = model();
    EXPECT_EQ(m.menuTitle, "장치 선택");
    EXPECT_EQ(m.subtitle, "1개 장치가 연결되어 있습니다");
    EXPECT_EQ(m.leadingSymbol, "externaldrive");
    EXPECT_FALSE(m.items.front().checked);
    EXPECT_EQ(m.menuAccessibilityValue, "선택 없음");
    EXPECT_FALSE(m.remember);
}

TEST_F(DeviceSelectorModelTest, ASelectedDeviceShowsItsFactsLinkAndRememberButton) {
    mirror.withDevices({device("driver:1", "Data"), device("driver:2", "Backup", 2)}, 1);
    auto m = model();
    EXPECT_EQ(m.leadingSymbol, "externaldrive.badge.checkmark");
    EXPECT_EQ(m.menuTitle, "Backup");
    EXPECT_EQ(m.menuAccessibilityValue, "Backup");
    EXPECT_EQ(m.menuHelp, "Backup");
    EXPECT_EQ(m.items, (std::vector<Item>{{"driver:1", "Data", false}, {"driver:2", "Backup", true}}));
    EXPECT_EQ(m.checkmarkSymbol, "checkmark");
    EXPECT_EQ(m.subtitle, "1.00 TB · USB · 볼륨 1개 연결");
    ASSERT_TRUE(m.link);
    EXPECT_EQ(m.link->symbol, "cable.connector");
    EXPECT_EQ(m.link->text, "연결 상한 10 Gb/s");
    EXPECT_EQ(m.link->help,
              "연결 경로의 규격 상한입니다. 8비트=1바이트로 환산하며 통신 처리·다른 장치와의 공유 여유분을 포함합니다. "
              "SSD·HDD의 실제 최대 읽기·쓰기 성능을 뜻하지 않습니다.");
    ASSERT_TRUE(m.remember);
    EXPECT_EQ(*m.remember, (DeviceSelectorModel::RememberButton{"이 대상으로 기억", "pin", false, true, false}));
    EXPECT_FALSE(model(false).remember);
}

TEST_F(DeviceSelectorModelTest, TheSubtitleLeavesOutWhatTheDeviceDoesNotReport) {
    auto d = device("driver:1", "Data");
    d.capacity.reset();
    d.protocolName.reset();
    d.volumes.push_back(viewtest::volume("sdb2", "Photos", true, 3));
    mirror.withDevices({d});
    EXPECT_EQ(model().subtitle, "볼륨 2개 연결");

    d.volumes = {viewtest::volume("sdb1", "Data", false, 1)};
    d.linkBandwidth.reset();
    mirror.withDevices({d});
    auto m = model();
    EXPECT_EQ(m.subtitle, "마운트 안 됨");
    EXPECT_EQ(m.leadingSymbol, "externaldrive");
    EXPECT_EQ(m.menuTitle, "Portable SSD");
    EXPECT_FALSE(m.link);
}

TEST_F(DeviceSelectorModelTest, ACapacityBeyondTheSignedRangeIsClamped) {
    auto d = device("driver:1", "Data");
    d.capacity = std::numeric_limits<std::uint64_t>::max();
    mirror.withDevices({d});
    EXPECT_EQ(DeviceSelectorModel::make(mirror.apply(), false, true, CountingLocale()).subtitle,
              "9223372036854775807 bytes · USB · 볼륨 1개 연결");
}

TEST_F(DeviceSelectorModelTest, TheRememberedSelectionOffersToForgetEvenWhenItCouldNotBeRemembered) {
    // Two devices with the same identity: neither can be remembered, both are the target.
    const auto first = device("driver:1", "Data", 7), second = device("driver:2", "Data", 7);
    mirror.withDevices({first, second}, 0);
    mirror.state.rememberedTarget = viewtest::targetOf(first);
    const DeviceSelectorModel::RememberButton forget{"관측 대상 기억 해제", "pin.fill", true, true, true};
    EXPECT_FALSE(mirror.apply().canRememberSelectedTarget());
    EXPECT_EQ(model().remember, forget);
    mirror.withDevices({first, second}, 1);
    EXPECT_EQ(model().remember, forget);

    // Not the target and not unique: the button is there but disabled.
    mirror.state.rememberedTarget = viewtest::targetOf(device("driver:9", "Other", 9));
    EXPECT_EQ(model().remember, (DeviceSelectorModel::RememberButton{"이 대상으로 기억", "pin", false, false, false}));

    // Ambiguous without a selection: the store's status says so.
    mirror.state.rememberedTarget = viewtest::targetOf(first);
    mirror.state.targetStatus = "동일 식별 정보가 여럿 · 자동 선택 보류";
    mirror.withDevices({first, second}, std::nullopt);
    EXPECT_EQ(model().subtitle, "동일 식별 정보가 여럿 · 자동 선택 보류");
}

TEST_F(DeviceSelectorModelTest, ARememberedTargetThatIsPresentShowsAsRemembered) {
    const auto data = device("driver:1", "Data");
    mirror.withDevices({data, device("driver:2", "Backup", 2)}, 0);
    mirror.state.rememberedTarget = viewtest::targetOf(data);
    EXPECT_TRUE(model().remember->forgets);
    mirror.withDevices({data, device("driver:2", "Backup", 2)}, 1);
    EXPECT_FALSE(model().remember->forgets);
}
