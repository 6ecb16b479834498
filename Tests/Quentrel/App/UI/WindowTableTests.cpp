#include "ObserverMenuModel.h"
#include "WindowTable.h"

#include <string>

#include <gtest/gtest.h>

using namespace quentrel;

TEST(WindowTable, everyIdHasItsContentTitleAndSize) {
    struct Row {
        const char* id;
        WindowContent content;
        const char* title;
        bool fitting;
        int width, height, minimumWidth, minimumHeight;
    } rows[] = {
        {"welcome", WindowContent::welcome, "Kavrinet 시작하기", true, 0, 0, 0, 0},
        {"settings", WindowContent::settings, "Kavrinet 설정", true, 0, 0, 0, 0},
        {"device-details", WindowContent::deviceDetails, "장치 정보", false, 520, 570, 460, 400},
        {"connection-summary", WindowContent::connectionSummary, "연결 안정성 요약", false, 620, 540, 460, 400},
        {"activity-log", WindowContent::activityLog, "활동 기록", false, 620, 520, 460, 400},
        {"diagnostic-preview", WindowContent::diagnosticPreview, "진단 미리보기", false, 660, 660, 460, 400},
        {"data-management", WindowContent::dataManagement, "설정과 기록 관리", false, 560, 550, 460, 400},
        {"help", WindowContent::helpUsage, "Kavrinet 도움말", false, 600, 620, 460, 400},
        {"about", WindowContent::helpAbout, "Kavrinet 도움말", false, 600, 620, 460, 400},
        {"status", WindowContent::dashboard, "Kavrinet", false, 620, 780, 540, 500},
        // Any other id opens the dashboard, with the default minimum.
        {"quick-view", WindowContent::dashboard, "Kavrinet", false, 620, 780, 460, 400},
        {"Status", WindowContent::dashboard, "Kavrinet", false, 620, 780, 460, 400},
        {"", WindowContent::dashboard, "Kavrinet", false, 620, 780, 460, 400},
    };
    for (const Row& r : rows) {
        const WindowSpec s = WindowTable::spec(r.id);
        EXPECT_EQ(s.content, r.content) << r.id;
        EXPECT_EQ(s.title, r.title) << r.id;
        EXPECT_EQ(s.fitting, r.fitting) << r.id;
        EXPECT_EQ((std::array{s.width, s.height, s.minimumWidth, s.minimumHeight}),
                  (std::array{r.width, r.height, r.minimumWidth, r.minimumHeight}))
            << r.id;
    }
}

TEST(ObserverMenuModel, theMainMenuInOrderWithItsKeys) {
    auto render = [](const std::vector<MenuSpec>& menus) {
        std::string out;
        for (const MenuSpec& m : menus) {
            out += "[" + std::string(m.title) + "]";
            for (const MenuItemSpec& i : m.items) {
                out += i.isSeparator() ? std::string(" |") : " " + std::string(i.title);
                if (i.key) out += std::string("^") + i.key;
            }
        }
        return out;
    };
    const std::string plain =
        "[Kavrinet] Kavrinet 정보 설정…^, | Kavrinet 숨기기^h Kavrinet 종료^q"
        "[편집] 실행 취소^z 잘라내기^x 복사^c 붙여넣기^v 모두 선택^a"
        "[윈도우] 대시보드^o 빠른 보기 활동 기록^l 장치 정보^i | 창 닫기^w 최소화^m"
        "[도움말] Kavrinet 도움말 시작 안내";
    EXPECT_EQ(render(ObserverMenuModel::mainMenu(false)), plain);
    std::string withUpdates = plain;
    withUpdates.insert(withUpdates.find(" 설정…"), " 업데이트 확인…");
    EXPECT_EQ(render(ObserverMenuModel::mainMenu(true)), withUpdates);
}

TEST(ObserverMenuModel, thePresentersItemsOpenTheirWindows) {
    using C = MenuCommand;
    const std::pair<MenuCommand, const char*> opens[] = {
        {C::showAbout, "about"},          {C::showSettings, "settings"}, {C::showDashboard, "status"},
        {C::showLog, "activity-log"},     {C::showDetails, "device-details"},
        {C::showHelp, "help"},            {C::showWelcome, "welcome"},
    };
    for (const auto& [command, window] : opens) EXPECT_EQ(ObserverMenuModel::windowOpenedBy(command), window);
    for (C other : {C::checkUpdates, C::hide, C::quitProduct, C::copy, C::toggleQuickView, C::performClose})
        EXPECT_FALSE(ObserverMenuModel::windowOpenedBy(other));
}
