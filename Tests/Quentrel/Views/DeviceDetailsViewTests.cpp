#include <QLabel>
#include <QLayout>
#include <QTest>
#include <gtest/gtest.h>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/LinkBandwidthText.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/DeviceDetailsView.h"
#include "Quentrel/Views/Models/FixedLocaleTexts.h"
#include "Quentrel/Views/Models/MirrorFixture.h"
#include "Quentrel/Views/ObserverSettingsView.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"
#include "ThemeTestSupport.h"

using namespace quentrel;

namespace {
QStringList labels(const QWidget& root) {
    QStringList texts;
    for (auto* label : root.findChildren<QLabel*>())
        if (label->isVisibleTo(&root)) texts << label->text();
    return texts;
}

QStringList sectionTitles(const QWidget& root) {
    QStringList titles;
    for (auto* section : root.findChildren<ObservationSection*>()) titles << section->title();
    return titles;
}

QStringList symbols(const QWidget& root) {
    QStringList names;
    for (auto* widget : root.findChildren<QWidget*>())
        if (widget->property("symbol").isValid()) names << widget->property("symbol").toString();
    return names;
}

wendmark::DeviceSnapshot device() {
    auto d = viewtest::device("driver:7", "Archive");
    d.volumes[0].fileSystem = "apfs";
    d.volumes[0].capacity = 500'107'862'016;
    d.volumes.push_back(viewtest::volume("sdb2", "Spare", false, 2));
    d.counters = wendmark::IOCounters{4'000'000, 12'000};
    d.statisticsAccess = wendmark::StatisticsAccess{wendmark::StatisticsOutcome::accessDenied, "", platform::Date{}};
    return d;
}

class DeviceDetailsViewTest : public ::testing::Test {
protected:
    void SetUp() override { quentrel::testing::applyTheme(); }

    DeviceDetailsView& make() {
        mirror_.apply();
        view_ = std::make_unique<DeviceDetailsView>(mirror_.store, std::make_shared<quentrel::testing::FixedLocaleTexts>());
        view_->resize(520, 570);
        return *view_;
    }

    viewtest::Mirror mirror_;
    std::unique_ptr<DeviceDetailsView> view_;
};
}  // namespace

TEST_F(DeviceDetailsViewTest, withoutASelectedDeviceOnlyThePlaceholderShows) {
    mirror_.withDevices({device()}, std::nullopt);
    auto& view = make();
    EXPECT_EQ(labels(view), (QStringList{"장치 정보", "선택된 장치 없음"}));
    EXPECT_EQ(symbols(view), QStringList{"externaldrive"});
    EXPECT_TRUE(sectionTitles(view).isEmpty());
    ASSERT_NE(view.probe(), nullptr);
    EXPECT_EQ(view.probe()->size(), QSize(0, 0));
}

TEST_F(DeviceDetailsViewTest, aSelectedDeviceShowsItsThreeCards) {
    mirror_.withDevices({device()});
    mirror_.state.intervals = {{1, platform::Date{viewtest::kNow - 2}, platform::Date{viewtest::kNow - 1}, 2'500'000, 0}};
    auto& view = make();
    const QString explanation = QString::fromUtf8(LinkBandwidthText::explanation.data(),
                                                  static_cast<qsizetype>(LinkBandwidthText::explanation.size()));
    EXPECT_EQ(sectionTitles(view), (QStringList{"Archive", "볼륨", "I/O 통계"}));
    const QStringList expected{
        "장치 정보", "Archive", "모델", "Portable SSD", "용량", "1000204886016 B", "연결", "USB", "연결 상한",
        "10 Gb/s · 1.2 GB/s", explanation,
        "연결된 볼륨", "1개", "볼륨", "Archive", "APFS · 500107862016 B", "/media/user/Archive", "Spare", "",
        "I/O 통계", "최근 5분 관측 최고 · 읽기", "2.5 MB/s", "최근 5분 관측 최고 · 쓰기", "0 B/s",
        "관측한 구간 평균의 최고값입니다. 제조사 사양이나 성능 시험 결과가 아닙니다.", "조회", "접근 권한 거부",
        "드라이버 누적 읽기", "4000000 B", "드라이버 누적 쓰기", "12000 B", "D8101 20:26:40"};
    EXPECT_EQ(labels(view), expected);
    EXPECT_EQ(symbols(view), (QStringList{"checkmark.circle", "minus.circle"}));
    QStringList tips;
    for (auto* widget : view.findChildren<QWidget*>())
        if (widget->property("symbol").isValid()) tips << widget->toolTip();
    EXPECT_EQ(tips, (QStringList{"마운트됨", "마운트 안 됨"}));
}

TEST_F(DeviceDetailsViewTest, itFollowsTheStoreOncePerTurn) {
    mirror_.withDevices({device()});
    auto& view = make();
    mirror_.state.selectedID.reset();
    mirror_.apply();
    EXPECT_EQ(sectionTitles(view).size(), 3);  // not read inside the store's signal
    QCoreApplication::processEvents();
    EXPECT_TRUE(sectionTitles(view).isEmpty());
    mirror_.withDevices({device()});
    mirror_.state.snapshot.devices[0].linkBandwidth.reset();
    mirror_.apply();
    QCoreApplication::processEvents();
    EXPECT_FALSE(labels(view).contains("연결 상한"));
    EXPECT_EQ(labels(view).filter("연결 경로의 규격 상한입니다.").size(), 0);
}

TEST_F(DeviceDetailsViewTest, theWindowReportsItsVisibilityThroughTheMirror) {
    mirror_.withDevices({device()});
    auto& view = make();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
    ASSERT_FALSE(mirror_.commands.empty());
    EXPECT_EQ(mirror_.commands.back(), ObserverUICommand::surface(view.probe()->surfaceID(), true));
    view.hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(mirror_.commands.back(), ObserverUICommand::surface(view.probe()->surfaceID(), false));
}

TEST_F(DeviceDetailsViewTest, screenshots) {
    mirror_.withDevices({device()});
    mirror_.state.intervals = {{1, platform::Date{viewtest::kNow - 2}, platform::Date{viewtest::kNow - 1}, 2'500'000, 4'000}};
    auto& view = make();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    quentrel::testing::writeScreenshot(view, "device-details");
    // The one interval's write rate is the peak the picture shows.
    const QStringList shown = labels(view);
    EXPECT_EQ(shown.value(shown.indexOf("최근 5분 관측 최고 · 쓰기") + 1), "4.0 KB/s");
    mirror_.state.selectedID.reset();
    mirror_.apply();
    QCoreApplication::processEvents();
    quentrel::testing::writeScreenshot(view, "device-details-none");
    EXPECT_EQ(labels(view), (QStringList{"장치 정보", "선택된 장치 없음"}));
}

// A wrapped text beside other controls takes the whole width its row leaves (no stretch shares it), here and in settings.
TEST_F(DeviceDetailsViewTest, aWrappedTextTakesTheWholeWidthItsRowLeaves) {
    const QString model = "Samsung Portable SSD T7 Shield", usb2 = "480 Mb/s · 60.0 MB/s", status = "알림 제출 완료 · 화면 표시 여부 미확인";
    mirror_.withDevices({device()}).state.snapshot.devices[0].model = model.toStdString();
    mirror_.state.snapshot.devices[0].linkBandwidth = wendmark::LinkBandwidth{wendmark::LinkBandwidth::Transport::usb, 480'000'000};
    mirror_.state.noticesEnabled = true;
    mirror_.state.noticeStatus = status.toStdString();
    QWidget& details = make();
    ObserverSettingsView settings(mirror_.store, mirror_.store->loginItem());
    for (const auto& [view, text] : {std::pair<QWidget*, QString>{&details, model}, {&details, usb2}, {&settings, status}}) {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        const QLabel* label = nullptr;
        for (const QLabel* shown : view->findChildren<QLabel*>()) label = shown->text() == text ? shown : label;
        ASSERT_TRUE(label) << text.toStdString();
        const QLayout& row = *label->parentWidget()->layout();
        int unused = row.contentsRect().width() + row.spacing();  // less each control and its spacing
        for (int i = 0; i < row.count(); ++i)
            if (const QWidget* control = row.itemAt(i)->widget()) unused -= control->width() + row.spacing();
        EXPECT_TRUE(unused == 0 && label->height() < 2 * label->fontMetrics().lineSpacing()) << text.toStdString();
        quentrel::testing::writeScreenshot(*view, view == &details ? "device-details-usb2-long-model" : "settings-notification-status");
    }
}
