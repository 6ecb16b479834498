#include "WelcomeModel.h"

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "StoreSelection.h"

namespace quentrel {

namespace {
// Every text of the window.
constexpr const char* titleText = "Kavrinet";
constexpr const char* taglineText = "외장 드라이브의 흐름을 한눈에.";
constexpr const char* loginTitleText = "로그인할 때 Kavrinet 실행";
constexpr const char* loginNoteText = "선택 사항 · 나중에 설정에서 바꿀 수 있습니다.";
constexpr const char* approvalTitle = "시스템 설정에서 승인하기";
constexpr const char* startHintText = "메뉴 막대의 드라이브 아이콘으로 다시 여세요.";
constexpr const char* startTitleWithDevice = "관측 시작";
constexpr const char* startTitleWithoutDevice = "장치 없이 시작";
}  // namespace

WelcomeModel WelcomeModel::make(const ObserverStore& store, const LoginItemService& loginItem) {
    WelcomeModel m;
    m.headerSymbol = "externaldrive.fill";
    m.title = titleText;
    m.tagline = taglineText;
    m.features = {{
        {"menubar.rectangle", "메뉴 막대에서 바로 확인", "연결 상태와 실제 읽기·쓰기 속도를 보여줍니다."},
        {"chart.xyaxis.line", "관측한 만큼, 정확하게", "최근 5분의 활동을 표시하고 수집하지 않은 시간은 비워 둡니다."},
        {"moon", "창을 닫으면 조용히 대기", "기본 설정에서는 연결 변화만 확인합니다."},
    }};
    m.loginTitle = loginTitleText;
    m.loginOn = loginItem.enabled();
    m.loginEnabled = !loginItem.isBusy();
    m.loginNote = loginNoteText;
    if (loginItem.requiresApproval()) m.approvalButton = approvalTitle;
    m.loginError = loginItem.error();
    m.startHint = startHintText;
    m.startTitle = selectedDevice(store) ? startTitleWithDevice : startTitleWithoutDevice;
    return m;
}

void WelcomeModel::start(ObserverStore& store) {
    if (store.canRememberSelectedTarget()) store.rememberSelectedTarget();
    store.completeOnboarding();
    ObserverWindowPresenter::requestClose(std::string(windowID));
    ObserverWindowPresenter::requestShow(std::string(dashboardWindow));
}

}  // namespace quentrel
