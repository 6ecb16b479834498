#include "QuickViewTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include "Quentrel/Support/LinkBandwidthText.h"
#include "Quentrel/Views/Controls/FittingLabel.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Observation/DeviceObservationView.h"
#include "Quentrel/Views/Observation/DeviceSelectorView.h"

using namespace quentrel;
using namespace quentrel::testing;
using Case = ObserverUICommand::Case;
using viewtest::device;

namespace {
class DeviceViewsTest : public ::testing::Test {
protected:
    void SetUp() override { applyTheme(); }

    DeviceSelectorView& selector(bool allowsRemembering = true) {
        mirror.apply();
        selector_ = std::make_unique<DeviceSelectorView>(mirror.store, true, allowsRemembering, nullptr, testLocale());
        showWindow(*selector_);
        return *selector_;
    }

    viewtest::Mirror mirror;
    std::unique_ptr<DeviceSelectorView> selector_;
};

DeviceObservationModel panelModel(bool historical, bool awaiting, bool compact) {
    auto d = device("driver:1", "Data");
    d.activity = wendmark::ActivitySample::measured(1.0, 12'300'000, 0, platform::Date{viewtest::kNow});
    wendmark::ObservedPeakRates peaks({});
    peaks.read = 45.6e6;
    return DeviceObservationModel::make(d, historical, awaiting, compact, peaks, testLocale());
}
}  // namespace

TEST_F(DeviceViewsTest, ThePanelShowsItsModel) {
    DeviceObservationView panel(true);
    panel.apply(panelModel(false, false, true));
    showWindow(panel);
    EXPECT_EQ(panel.badge()->title(), "I/O 활동");
    EXPECT_EQ(symbolOf(panel.badge()), "waveform");
    EXPECT_EQ(panel.badge()->colour(), ObserverTheme::accent);
    auto* read = panel.readColumn();
    EXPECT_EQ(read->title()->title(), "읽기");
    EXPECT_EQ(symbolOf(read->title()), "arrow.down.left");
    EXPECT_EQ(read->figure()->text(), "12.3");
    EXPECT_EQ(read->unit()->text(), "MB/s");
    EXPECT_EQ(read->peak()->text(), "최근 5분 최고 45.6 MB/s");
    EXPECT_EQ(read->peak()->toolTip(),
              "관측한 구간 평균 중 최고값입니다. SSD·HDD의 최대 성능 시험이나 제조사 표기 사양이 아닙니다.");
    // One element for assistive technologies, with the whole sentence as its name.
    auto* face = QAccessible::queryAccessibleInterface(read);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->text(QAccessible::Name), "읽기 속도 12.3 MB/s, 최근 5분 관측 최고 45.6 MB/s");
    EXPECT_EQ(face->childCount(), 0);
    EXPECT_EQ(face->role(), QAccessible::StaticText);
    EXPECT_EQ(panel.writeColumn()->figure()->text(), "0");
    EXPECT_EQ(symbolOf(panel.footerSymbol()), "clock");
    EXPECT_TRUE(panel.intervalLabel()->isVisible());
    EXPECT_EQ(panel.intervalLabel()->text(), "1.0초 구간");
    EXPECT_EQ(panel.separatorLabel()->text(), "·");
    EXPECT_EQ(panel.timeLabel()->text(), "20:26:40");
    EXPECT_EQ(read->figure()->textFont().pixelSize(), 28);

    panel.apply(panelModel(true, false, false));
    EXPECT_EQ(panel.badge()->title(), "이전 표본");
    EXPECT_EQ(panel.badge()->colour(), ObserverTheme::muted);
    EXPECT_EQ(symbolOf(panel.footerSymbol()), "clock.arrow.circlepath");
    EXPECT_EQ(read->figure()->textFont().pixelSize(), 42);

    panel.apply(panelModel(false, true, false));
    EXPECT_FALSE(panel.intervalLabel()->isVisible());
    EXPECT_FALSE(panel.separatorLabel()->isVisible());
    EXPECT_EQ(panel.timeLabel()->text(), "다음 표본을 기다립니다");
    EXPECT_EQ(read->figure()->text(), "—");
}

TEST_F(DeviceViewsTest, TheMenuListsEveryDeviceAndSelectsTheChosenOne) {
    mirror.withDevices({device("driver:1", "Photos & Music"), device("driver:2", "Backup", 2)}, 1);
    auto& v = selector();
    auto* picker = control<DeviceSelectorView::MenuButton>(v, "devicePicker");
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->accessibleName(), "외장 장치 선택");
    EXPECT_EQ(accessibleValue(picker), "Backup");
    EXPECT_EQ(picker->toolTip(), "Backup");
    EXPECT_EQ(picker->titleLabel()->text(), "Backup");
    EXPECT_TRUE(picker->chevron()->isVisible());
    EXPECT_EQ(symbolOf(picker->chevron()), "chevron.down");
    EXPECT_TRUE(picker->isEnabled());
    EXPECT_EQ(symbolOf(v.leadingIcon()), "externaldrive.badge.checkmark");

    const auto actions = v.menu()->actions();
    ASSERT_EQ(actions.size(), 2);
    // "&" is shown, not taken as a mnemonic.
    EXPECT_EQ(actions[0]->text(), "Photos && Music");
    EXPECT_TRUE(symbolOf(actions[0]).isEmpty());
    EXPECT_EQ(actions[1]->text(), "Backup");
    EXPECT_EQ(symbolOf(actions[1]), "checkmark");
    actions[0]->trigger();
    // Choosing the selected device again selects it again.
    actions[1]->trigger();
    EXPECT_EQ(mirror.commands, (std::vector{ObserverUICommand::select("driver:1"), ObserverUICommand::select("driver:2")}));
}

TEST_F(DeviceViewsTest, AnEmptySnapshotDisablesTheMenu) {
    auto& v = selector();
    EXPECT_FALSE(v.menuButton()->isEnabled());
    EXPECT_FALSE(v.menuButton()->chevron()->isVisible());
    EXPECT_EQ(v.menuButton()->titleLabel()->text(), "연결 대기");
    EXPECT_EQ(accessibleValue(v.menuButton()), "선택 없음");
    EXPECT_EQ(v.menuButton()->toolTip(), "관측할 외장 장치를 선택합니다");
    EXPECT_EQ(v.subtitleLabel()->text(), "외장 저장장치를 연결해 주세요");
    EXPECT_FALSE(v.linkLine()->isVisible());
    EXPECT_FALSE(v.rememberButton()->isVisible());
    EXPECT_TRUE(v.menu()->actions().isEmpty());
}

TEST_F(DeviceViewsTest, TheLinkLineCarriesTheBoundAndItsExplanation) {
    mirror.withDevices({device("driver:1", "Data")});
    auto& v = selector();
    auto* link = control<SymbolLabel>(v, "deviceLinkBandwidth");
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->isVisible());
    EXPECT_EQ(link->title(), "연결 상한 10 Gb/s");
    EXPECT_EQ(symbolOf(link), "cable.connector");
    EXPECT_EQ(link->toolTip().toStdString(), LinkBandwidthText::explanation);
    EXPECT_EQ(v.subtitleLabel()->text(), "1.00 TB · USB · 볼륨 1개 연결");

    mirror.state.snapshot.devices[0].linkBandwidth.reset();
    deliver(mirror);
    EXPECT_FALSE(link->isVisible());
}

TEST_F(DeviceViewsTest, ThePinRemembersOrForgetsAsTheStoreStandsAtTheClick) {
    const auto data = device("driver:1", "Data");
    mirror.withDevices({data});
    auto& v = selector();
    auto* pin = control<ObserverIconButton>(v, "rememberObservationTarget");
    ASSERT_TRUE(pin);
    EXPECT_TRUE(pin->isVisible());
    EXPECT_EQ(pin->toolTip(), "이 대상으로 기억");
    EXPECT_EQ(pin->accessibleName(), "이 대상으로 기억");
    EXPECT_EQ(symbolOf(pin), "pin");
    EXPECT_FALSE(pin->isHighlighted());
    EXPECT_TRUE(pin->isEnabled());
    click(pin);
    EXPECT_EQ(mirror.commands, std::vector{ObserverUICommand::make(Case::remember)});

    mirror.commands.clear();
    mirror.state.rememberedTarget = viewtest::targetOf(data);
    deliver(mirror);
    EXPECT_EQ(pin->toolTip(), "관측 대상 기억 해제");
    EXPECT_EQ(symbolOf(pin), "pin.fill");
    EXPECT_TRUE(pin->isHighlighted());
    click(pin);
    EXPECT_EQ(mirror.commands, std::vector{ObserverUICommand::make(Case::forget)});

    // The store has changed but the view has not drawn it yet: the click goes by the store.
    mirror.commands.clear();
    mirror.state.rememberedTarget.reset();
    mirror.apply();
    click(pin);
    EXPECT_EQ(mirror.commands, std::vector{ObserverUICommand::make(Case::remember)});
}

TEST_F(DeviceViewsTest, ThePinIsAbsentWhereRememberingIsNotAllowedAndDisabledWhenNotUnique) {
    const auto twin = device("driver:2", "Data", 1);
    mirror.withDevices({device("driver:1", "Data", 1), twin});
    EXPECT_FALSE(selector(false).rememberButton()->isVisible());
    auto& v = selector();
    EXPECT_TRUE(v.rememberButton()->isVisible());
    EXPECT_FALSE(v.rememberButton()->isEnabled());
    click(v.rememberButton());
    EXPECT_TRUE(mirror.commands.empty());
}
