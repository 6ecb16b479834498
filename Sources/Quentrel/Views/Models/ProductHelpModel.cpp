#include "ProductHelpModel.h"

#include "Quentrel/Support/UpdateConfiguration.h"

namespace quentrel {

namespace {

constexpr std::array<std::pair<HelpSection, std::string_view>, 4> rawValues{{
    {HelpSection::usage, "사용법"},
    {HelpSection::privacy, "개인정보"},
    {HelpSection::removal, "앱 제거"},
    {HelpSection::about, "앱 정보"},
}};

std::vector<HelpTopic> usageTopics() {
    return {
        {"메뉴 막대에서 한눈에",
         "드라이브 아이콘을 누르면 선택한 장치의 읽기·쓰기와 최근 활동을 볼 수 있습니다. 대시보드는 ⌘O, 활동 기록은 ⌘L, "
         "설정은 ⌘,로 열 수 있습니다."},
        {"수치 읽는 법",
         "속도는 표시된 관측 구간의 평균입니다. 0 B/s는 그 구간에 관측한 활동이 없다는 뜻이고, —는 아직 계산할 수 없다는 "
         "뜻입니다. 0 B/s만으로 작업 완료나 안전한 추출을 판단할 수 없습니다."},
        {"그래프의 빈 구간",
         "창을 닫거나 일시중지·잠자기 상태에 있던 시간은 관측하지 않습니다. 기본 설정에서는 창이 닫히면 주기적인 조회를 "
         "멈춥니다. 백그라운드 관측을 선택하면 30초마다 확인합니다."},
        {"연결 요약",
         "기억한 대상의 이번 실행 중 해제·복귀 횟수와 확인된 공백을 보여줍니다. 알림을 꺼도 집계하며 잠자기·조회 불가 "
         "구간은 제외합니다. 상세 기록은 최근 30건을 메모리에 보관하고 앱 종료·기억 대상 변경 시 초기화합니다. 연결 "
         "변화만으로 원인이나 장치 건강도를 판정하지 않습니다."},
        {"작업 세션",
         "관측한 구간의 읽기·쓰기 바이트만 합산합니다. 미관측 시간은 합계에서 빠지며, 경과 시간과 관측 시간을 따로 "
         "표시합니다. 활동 기록에서 새 세션을 시작할 수 있습니다. 장치 변경·연결 해제·앱 종료 시 세션이 끝납니다."},
        {"연결 변화 알림",
         "장치 정보에서 대상을 기억한 뒤 설정에서 켤 수 있습니다. 3초 이상 연결이 보이지 않거나 10분 안에 3회 끊기면 "
         "알립니다. 잠자기와 기상 중 변화는 제외하고 기상 후 기준을 다시 잡습니다. 알림 권한이나 집중 모드에 따라 배너가 "
         "표시되지 않을 수 있습니다."},
        {"장치가 보이지 않을 때",
         "케이블과 macOS의 연결 상태를 확인한 뒤 지금 확인을 눌러보세요. 장치 관계가 모호하거나 통계가 제공되지 않으면 "
         "속도를 표시하지 않습니다. 동일한 식별자가 여러 개면 대상을 직접 선택하세요."},
    };
}

std::vector<HelpTopic> privacyTopics(bool updatesConfigured) {
    std::vector<HelpTopic> topics{
        {"파일 내용은 수집하지 않습니다",
         "macOS의 장치·볼륨 정보와 누적 읽기·쓰기 통계를 사용합니다. 파일 열람이나 폴더 검색은 하지 않습니다. Finder "
         "열기를 선택하면 Finder의 일반적인 파일 접근이 발생할 수 있습니다."},
        {"Mac 안에 보관하는 정보",
         "관측 대상과 화면 설정을 기억합니다. 그래프는 최근 5분을 메모리에 보관하고 앱을 종료하면 사라집니다. 최근 "
         "이벤트는 내장 저장 위치에 최대 100건·7일·64KiB로 제한하며 설정과 기록 관리에서 지울 수 있습니다. 세션 요약은 "
         "최대 30개·7일·256KiB로 제한하고 원시 표본·장치 이름·경로를 저장하지 않습니다. 관측 중에는 최대 5분 간격으로 "
         "저장하여 예기치 않은 종료 시 마지막 저장 이후 집계는 유실될 수 있습니다."},
        {"진단은 미리 확인한 뒤",
         "진단에는 앱·OS 버전, 시각, 용량, 관측 수치와 고정 상태 코드만 담습니다. 장치·볼륨 이름, 모델, UUID, 경로와 "
         "원문 오류는 제외합니다. 저장·복사는 사용자가 선택하며 자동 전송하지 않습니다."},
    };
    if (updatesConfigured)
        topics.push_back({"업데이트 확인",
                          "업데이트를 확인할 때 배포 서버에 접속하며 앱·OS 버전과 네트워크 주소 등이 서버 기록에 남을 수 "
                          "있습니다. 자동 확인은 선택 사항이며 진단 파일이나 SSD의 관측 기록을 함께 보내지 않습니다. 분석 "
                          "서버는 사용하지 않습니다."});
    else
        topics.push_back({"네트워크",
                          "현재 미리보기는 업데이트 서버·분석 서버에 연결하지 않습니다. 지원팀에 진단을 보내려면 저장된 "
                          "내용을 직접 확인한 뒤 공유하세요."});
    return topics;
}

std::vector<HelpTopic> removalTopics() {
    return {
        {"로그인 실행 먼저 끄기",
         "설정에서 로그인 시 실행을 끄고 등록이 해제된 상태인지 확인하세요. 승인 대기 중이라면 macOS 로그인 항목 "
         "설정에서도 확인할 수 있습니다."},
        {"앱 제거",
         "Kavrinet 메뉴에서 종료한 뒤 앱을 휴지통으로 옮기세요. Mac에 앱 사본이 여러 개 있으면 각 사본의 위치도 "
         "확인하세요."},
        {"관측 데이터 정리",
         "최근 이벤트와 완료된 세션은 앱을 종료하기 전에 설정과 기록 관리에서 지울 수 있습니다. 따로 내보낸 진단 파일은 "
         "저장한 위치에서 직접 관리합니다."},
        {"기존 검증 앱은 별도입니다",
         "Quentrel 또는 QuentrelLab의 자연 검증·복구 기록은 Kavrinet에서 삭제하지 않습니다. 진행 중인 검증이 있다면 "
         "해당 앱은 유지하세요."},
    };
}

std::vector<HelpTopic> aboutTopics(const ProductIdentity& product) {
    return {
        {product.displayName, "버전 " + product.version + " · 빌드 " + product.build +
                                  "\n외장 드라이브의 연결·볼륨·호스트 I/O를 관측하는 macOS 앱입니다."},
        {"현재 검증한 환경",
         "Apple Silicon Mac Studio, macOS 27.0.1과 외장 HFS+ SSD 한 조합에서 관측을 확인했습니다. 다른 OS·파일시스템·여러 "
         "장치의 실제 검증은 진행 중입니다."},
        {"로컬 미리보기",
         "공개 배포 준비 중입니다. 온도·실제 전력·수명 점수와 자동 해제·복귀 기능은 제공하지 않습니다."},
    };
}

}  // namespace

std::string_view rawValue(HelpSection section) {
    for (const auto& [s, raw] : rawValues)
        if (s == section) return raw;
    return {};
}

std::optional<HelpSection> helpSectionFromRawValue(std::string_view raw) {
    for (const auto& [s, value] : rawValues)
        if (value == raw) return s;
    return std::nullopt;
}

std::optional<HelpSection> helpSectionForWindow(std::string_view windowID) {
    if (windowID == "help") return HelpSection::usage;
    if (windowID == "about") return HelpSection::about;
    return std::nullopt;
}

ProductHelpModel makeProductHelpModel(HelpSection section, const ProductIdentity& product,
                                      const platform::PropertyDictionary& info) {
    ProductHelpModel m;
    m.section = section;
    switch (section) {
    case HelpSection::usage: m.topics = usageTopics(); break;
    case HelpSection::privacy: m.topics = privacyTopics(UpdateConfiguration::validated(info).has_value()); break;
    case HelpSection::removal: m.topics = removalTopics(); break;
    case HelpSection::about:
        m.topics = aboutTopics(product);
        m.showsWelcomeButton = true;
        break;
    }
    return m;
}

}  // namespace quentrel
