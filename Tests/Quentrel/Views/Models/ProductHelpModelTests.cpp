#include "Quentrel/Views/Models/ProductHelpModel.h"

#include <gtest/gtest.h>

#include "Support/UpdateInfo.h"

using namespace quentrel;
using platform::PropertyDictionary;

namespace {
std::vector<std::string> titles(const ProductHelpModel& m) {
    std::vector<std::string> out;
    for (const auto& t : m.topics) out.push_back(t.title);
    return out;
}
const ProductIdentity product{"Kavrinet", "2.0 beta", " 17 "};
}  // namespace

TEST(ProductHelpModel, sectionsAreTheirFourRawValuesInOrder) {
    std::vector<std::string> raw;
    for (auto s : allHelpSections) {
        raw.emplace_back(rawValue(s));
        EXPECT_EQ(helpSectionFromRawValue(rawValue(s)), s);
    }
    EXPECT_EQ(raw, (std::vector<std::string>{"사용법", "개인정보", "앱 제거", "앱 정보"}));
    for (const char* other : {"", "usage", "사용법 ", "앱정보"}) EXPECT_FALSE(helpSectionFromRawValue(other)) << other;
}

TEST(ProductHelpModel, theWindowIdChoosesTheSection) {
    EXPECT_EQ(helpSectionForWindow("help"), HelpSection::usage);
    EXPECT_EQ(helpSectionForWindow("about"), HelpSection::about);
    EXPECT_FALSE(helpSectionForWindow("settings"));
    EXPECT_FALSE(helpSectionForWindow("Help"));
}

TEST(ProductHelpModel, eachSectionHasItsTopicsAndOnlyAboutTheWelcomeButton) {
    const auto usage = makeProductHelpModel(HelpSection::usage, product, {});
    EXPECT_EQ(titles(usage), (std::vector<std::string>{"메뉴 막대에서 한눈에", "수치 읽는 법", "그래프의 빈 구간", "연결 요약",
                                                       "작업 세션", "연결 변화 알림", "장치가 보이지 않을 때"}));
    EXPECT_EQ(usage.topics[0].text,
              "드라이브 아이콘을 누르면 선택한 장치의 읽기·쓰기와 최근 활동을 볼 수 있습니다. 대시보드는 ⌘O, 활동 기록은 "
              "⌘L, 설정은 ⌘,로 열 수 있습니다.");
    EXPECT_EQ(titles(makeProductHelpModel(HelpSection::removal, product, {})),
              (std::vector<std::string>{"로그인 실행 먼저 끄기", "앱 제거", "관측 데이터 정리", "기존 검증 앱은 별도입니다"}));
    EXPECT_FALSE(usage.showsWelcomeButton);

    const auto about = makeProductHelpModel(HelpSection::about, product, {});
    EXPECT_TRUE(about.showsWelcomeButton);
    EXPECT_EQ(titles(about), (std::vector<std::string>{"Kavrinet", "현재 검증한 환경", "로컬 미리보기"}));
    // Version and build verbatim, the line break right after the build.
    EXPECT_EQ(about.topics[0].text,
              "버전 2.0 beta · 빌드  17 \n외장 드라이브의 연결·볼륨·호스트 I/O를 관측하는 macOS 앱입니다.");
}

TEST(ProductHelpModel, thePrivacySectionsLastTopicFollowsTheUpdateConfiguration) {
    const std::vector<std::string> fixed{"파일 내용은 수집하지 않습니다", "Mac 안에 보관하는 정보", "진단은 미리 확인한 뒤"};
    auto incomplete = testsupport::validUpdateInfo();
    incomplete.erase("SUPublicEDKey");
    struct Row {
        const char* name;
        PropertyDictionary info;
        const char* last;
    } rows[] = {
        {"no keys", {}, "네트워크"},
        {"a valid set", testsupport::validUpdateInfo(), "업데이트 확인"},
        {"one key missing", incomplete, "네트워크"},
    };
    for (const auto& r : rows) {
        auto t = titles(makeProductHelpModel(HelpSection::privacy, product, r.info));
        ASSERT_EQ(t.size(), 4u) << r.name;
        EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + 3), fixed) << r.name;
        EXPECT_EQ(t[3], r.last) << r.name;
    }
}
