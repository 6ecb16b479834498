#include "ObserverMenuModel.h"

namespace quentrel {

std::vector<MenuSpec> ObserverMenuModel::mainMenu(bool updatesConfigured) {
    using C = MenuCommand;
    const MenuItemSpec separator{};
    std::vector<MenuItemSpec> application{{"Kavrinet 정보", C::showAbout, 0}};
    if (updatesConfigured) application.push_back({"업데이트 확인…", C::checkUpdates, 0});
    application.insert(application.end(), {
                                              {"설정…", C::showSettings, ','},
                                              separator,
                                              {"Kavrinet 숨기기", C::hide, 'h'},
                                              {"Kavrinet 종료", C::quitProduct, 'q'},
                                          });
    return {
        {"Kavrinet", application},
        {"편집",
         {
             {"실행 취소", C::undo, 'z'},
             {"잘라내기", C::cut, 'x'},
             {"복사", C::copy, 'c'},
             {"붙여넣기", C::paste, 'v'},
             {"모두 선택", C::selectAll, 'a'},
         }},
        {"윈도우",
         {
             {"대시보드", C::showDashboard, 'o'},
             {"빠른 보기", C::toggleQuickView, 0},
             {"활동 기록", C::showLog, 'l'},
             {"장치 정보", C::showDetails, 'i'},
             separator,
             {"창 닫기", C::performClose, 'w'},
             {"최소화", C::performMiniaturize, 'm'},
         }},
        {"도움말",
         {
             {"Kavrinet 도움말", C::showHelp, 0},
             {"시작 안내", C::showWelcome, 0},
         }},
    };
}

std::optional<std::string_view> ObserverMenuModel::windowOpenedBy(MenuCommand command) {
    switch (command) {
    case MenuCommand::showAbout: return "about";
    case MenuCommand::showSettings: return "settings";
    case MenuCommand::showDashboard: return "status";
    case MenuCommand::showLog: return "activity-log";
    case MenuCommand::showDetails: return "device-details";
    case MenuCommand::showHelp: return "help";
    case MenuCommand::showWelcome: return "welcome";
    default: return std::nullopt;
    }
}

}  // namespace quentrel
