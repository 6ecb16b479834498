#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "FixedLocaleTexts.h"
#include "MirrorFixture.h"
#include "Quentrel/Views/Models/DeviceDetailsModel.h"

using quentrel::DeviceDetailsModel;
using Row = DeviceDetailsModel::Row;

namespace {
const quentrel::testing::FixedLocaleTexts texts;

DeviceDetailsModel details(viewtest::Mirror& mirror) { return DeviceDetailsModel::make(mirror.apply(), texts); }

wendmark::DeviceSnapshot fullDevice() {
    auto d = viewtest::device("driver:7", "Archive");
    d.volumes.push_back(viewtest::volume("sdb2", "Spare", false, 2));
    d.volumes[0].fileSystem = "apfs";
    d.volumes[0].capacity = 500'107'862'016;
    d.counters = wendmark::IOCounters{123, std::numeric_limits<std::uint64_t>::max()};
    d.statisticsAccess = wendmark::StatisticsAccess{wendmark::StatisticsOutcome::available, "ok", platform::Date{}};
    d.linkBandwidth = wendmark::LinkBandwidth{wendmark::LinkBandwidth::Transport::usb, 5'000'000'000};
    return d;
}
}  // namespace

TEST(DeviceDetailsModel, noSelectionOrAStaleOneShowsThePlaceholder) {
    viewtest::Mirror mirror;
    mirror.withDevices({viewtest::device("driver:1", "A")}, std::nullopt);
    EXPECT_FALSE(details(mirror).device);
    mirror.state.selectedID = "driver:gone";
    EXPECT_FALSE(details(mirror).device);
}

TEST(DeviceDetailsModel, theDeviceCardListsWhatIsKnownInOrder) {
    viewtest::Mirror mirror;
    mirror.withDevices({viewtest::device("driver:1", "Other"), fullDevice()}, 1);
    const auto device = *details(mirror).device;
    EXPECT_EQ(device.title, "Archive");
    const std::vector<Row> rows{{"모델", "Portable SSD"},
                                {"용량", "1000204886016 B"},
                                {"연결", "USB"},
                                {"연결 상한", "5 Gb/s · 625 MB/s"},
                                {"연결된 볼륨", "1개"}};
    EXPECT_EQ(device.rows, rows);
    EXPECT_EQ(device.linkCaption,
              "연결 경로의 규격 상한입니다. 8비트=1바이트로 환산하며 통신 처리·다른 장치와의 공유 여유분을 포함합니다. "
              "SSD·HDD의 실제 최대 읽기·쓰기 성능을 뜻하지 않습니다.");
    EXPECT_EQ(device.access, (Row{"조회", "조회 성공"}));
    // A counter of 2^64 − 1 reaches the formatter clamped to the signed range.
    EXPECT_EQ(device.counterRows, (std::vector<Row>{{"드라이버 누적 읽기", "123 B"},
                                                    {"드라이버 누적 쓰기", "9223372036854775807 B"}}));
    EXPECT_EQ(device.measuredAt, "D8101 20:26:40");
    EXPECT_FALSE(device.reason);
}

TEST(DeviceDetailsModel, absentSourcesLeaveTheirRowsOut) {
    viewtest::Mirror mirror;
    auto d = viewtest::device("driver:1", "X");
    d.volumes.clear();
    d.capacity.reset();
    d.protocolName.reset();
    d.linkBandwidth.reset();
    d.activity = wendmark::ActivitySample::unmeasured(wendmark::ActivityKind::unavailable, "통계 없음", platform::Date{});
    mirror.withDevices({d});
    const auto device = *details(mirror).device;
    EXPECT_EQ(device.title, "Portable SSD");  // no mounted volume: the model
    EXPECT_EQ(device.rows, (std::vector<Row>{{"모델", "Portable SSD"}, {"연결된 볼륨", "0개"}}));
    EXPECT_FALSE(device.linkCaption);
    EXPECT_TRUE(device.volumes.empty());
    EXPECT_TRUE(device.counterRows.empty());
    EXPECT_EQ(device.access, (Row{"조회", "대기"}));
    EXPECT_EQ(device.reason, "통계 없음");
}

TEST(DeviceDetailsModel, volumesShowTheirStateAndTheCaptionPartsPresent) {
    viewtest::Mirror mirror;
    auto d = fullDevice();
    auto msdos = viewtest::volume("sdb3", "Camera", false, 3);
    msdos.fileSystem = "msdos";
    d.volumes.push_back(msdos);
    auto sized = viewtest::volume("sdb4", "Sized", false, 4);
    sized.capacity = 2000;
    d.volumes.push_back(sized);
    mirror.withDevices({d});
    const auto volumes = details(mirror).device->volumes;
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0].symbol, "checkmark.circle");
    EXPECT_EQ(volumes[0].help, "마운트됨");
    EXPECT_EQ(volumes[0].caption, "APFS · 500107862016 B");
    EXPECT_EQ(volumes[0].mountPath, "/media/user/Archive");
    EXPECT_EQ(volumes[1].symbol, "minus.circle");
    EXPECT_EQ(volumes[1].help, "마운트 안 됨");
    EXPECT_EQ(volumes[1].caption, "");
    EXPECT_FALSE(volumes[1].mountPath);
    EXPECT_EQ(volumes[2].caption, "MSDOS");
    EXPECT_EQ(volumes[3].caption, "2000 B");
    EXPECT_EQ(volumes[3].id, "sdb4");
}

TEST(DeviceDetailsModel, peaksComeFromTheTrustedIntervalsOnly) {
    viewtest::Mirror mirror;
    mirror.withDevices({fullDevice()});
    // 60 seconds is longer than an interval can be trusted.
    mirror.state.intervals = {{1, platform::Date{viewtest::kNow - 60}, platform::Date{viewtest::kNow}, 5e9, 5e9}};
    EXPECT_TRUE(details(mirror).device->peakRows.empty());
    mirror.state.intervals.push_back({2, platform::Date{viewtest::kNow - 2}, platform::Date{viewtest::kNow - 1}, 999, 0});
    EXPECT_EQ(details(mirror).device->peakRows,
              (std::vector<Row>{{"최근 5분 관측 최고 · 읽기", "999 B/s"}, {"최근 5분 관측 최고 · 쓰기", "0 B/s"}}));
}

TEST(DeviceDetailsModel, eachStatisticsOutcomeHasItsText) {
    using O = wendmark::StatisticsOutcome;
    const std::pair<O, std::string_view> cases[] = {
        {O::available, "조회 성공"},      {O::notExposed, "현재 드라이버에 통계 없음"}, {O::accessDenied, "접근 권한 거부"},
        {O::deviceMissing, "장치 객체 없음"}, {O::failed, "조회 오류"},                {O::notRequested, "조회 전"}};
    for (const auto& [outcome, text] : cases)
        EXPECT_EQ(DeviceDetailsModel::accessText(wendmark::StatisticsAccess{outcome, "", platform::Date{}}), text);
    EXPECT_EQ(DeviceDetailsModel::accessText(std::nullopt), "대기");
}

