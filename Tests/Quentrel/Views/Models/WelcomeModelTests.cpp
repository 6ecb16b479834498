#include "Quentrel/Views/Models/WelcomeModel.h"

#include <gtest/gtest.h>

#include "MirrorFixture.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"

using namespace quentrel;
using Case = ObserverUICommand::Case;

namespace {
using Model = WelcomeModel;

Model make(ObserverStore& store) { return Model::make(store, *store.loginItem()); }

std::vector<Case> kinds(const std::vector<ObserverUICommand>& commands) {
    std::vector<Case> result;
    for (const auto& c : commands) result.push_back(c.kind);
    return result;
}

// Records the presenter's show and close requests for one test.
struct PresenterLog {
    std::vector<std::string> calls;
    PresenterLog() {
        ObserverWindowPresenter::show = [this](const std::string& id) { calls.push_back("show " + id); };
        ObserverWindowPresenter::close = [this](const std::string& id) { calls.push_back("close " + id); };
    }
    ~PresenterLog() { ObserverWindowPresenter::resetToDefaults(); }
};
}  // namespace

TEST(WelcomeModel, TheFixedTextsAndFeatures) {
    viewtest::Mirror mirror;
    const auto m = make(*mirror.store);
    EXPECT_EQ(m.headerSymbol, "externaldrive.fill");
    EXPECT_EQ(m.title, "Kavrinet");
    EXPECT_EQ(m.tagline, "외장 드라이브의 흐름을 한눈에.");
    ASSERT_EQ(m.features.size(), 3u);
    EXPECT_EQ(m.features[0], (Model::Feature{"menubar.rectangle", "메뉴 막대에서 바로 확인",
                                             "연결 상태와 실제 읽기·쓰기 속도를 보여줍니다."}));
    EXPECT_EQ(m.features[1], (Model::Feature{"chart.xyaxis.line", "관측한 만큼, 정확하게",
                                             "최근 5분의 활동을 표시하고 수집하지 않은 시간은 비워 둡니다."}));
    EXPECT_EQ(m.features[2],
              (Model::Feature{"moon", "창을 닫으면 조용히 대기", "기본 설정에서는 연결 변화만 확인합니다."}));
    EXPECT_EQ(m.loginTitle, "로그인할 때 Kavrinet 실행");
    EXPECT_EQ(m.loginNote, "선택 사항 · 나중에 설정에서 바꿀 수 있습니다.");
    EXPECT_EQ(m.startHint, "메뉴 막대의 드라이브 아이콘으로 다시 여세요.");
}

TEST(WelcomeModel, TheStartButtonSaysWhetherADeviceIsSelected) {
    viewtest::Mirror mirror;
    EXPECT_EQ(make(mirror.apply()).startTitle, "장치 없이 시작");
    mirror.withDevices({viewtest::device("disk-a", "Travel")}, std::nullopt);
    EXPECT_EQ(make(mirror.apply()).startTitle, "장치 없이 시작");
    mirror.withDevices({viewtest::device("disk-a", "Travel")});
    EXPECT_EQ(make(mirror.apply()).startTitle, "관측 시작");
    // An id that names no device of the snapshot is no selection.
    mirror.state.selectedID = "gone";
    EXPECT_EQ(make(mirror.apply()).startTitle, "장치 없이 시작");
}

TEST(WelcomeModel, TheLoginRowFollowsTheLoginItem) {
    viewtest::Mirror mirror;
    auto m = make(mirror.apply());
    EXPECT_FALSE(m.loginOn);
    EXPECT_TRUE(m.loginEnabled);
    EXPECT_FALSE(m.approvalButton);
    EXPECT_FALSE(m.loginError);

    mirror.state.loginEnabled = true;
    mirror.state.loginBusy = true;
    mirror.state.loginRequiresApproval = true;
    mirror.state.loginError = "The operation couldn’t be completed.";
    m = make(mirror.apply());
    EXPECT_TRUE(m.loginOn);
    EXPECT_FALSE(m.loginEnabled);
    EXPECT_EQ(m.approvalButton, "시스템 설정에서 승인하기");
    EXPECT_EQ(m.loginError, "The operation couldn’t be completed.");
}

TEST(WelcomeModel, StartingWithoutARememberableDeviceOnlyCompletes) {
    PresenterLog presenter;
    viewtest::Mirror mirror;
    // No device; then a selected device whose volume carries no identity, so no target can be built.
    auto anonymous = viewtest::device("disk-b", "Plain");
    anonymous.volumes[0].volumeUUID.reset();
    for (auto devices : {std::vector<wendmark::DeviceSnapshot>{}, std::vector{anonymous}}) {
        mirror.commands.clear();
        mirror.withDevices(devices);
        auto& store = mirror.apply();
        EXPECT_FALSE(store.canRememberSelectedTarget());
        EXPECT_EQ(make(store).startTitle, devices.empty() ? "장치 없이 시작" : "관측 시작");
        Model::start(store);
        EXPECT_EQ(kinds(mirror.commands), (std::vector<Case>{Case::completeOnboarding}));
    }
    EXPECT_EQ(presenter.calls,
              (std::vector<std::string>{"close welcome", "show status", "close welcome", "show status"}));
}
