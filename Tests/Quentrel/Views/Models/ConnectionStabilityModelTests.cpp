#include "Quentrel/Views/Models/ConnectionStabilityModel.h"

#include <gtest/gtest.h>

#include "MirrorFixture.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using State = wendmark::ConnectionStability::State;

namespace {
const auto& locale = FixedLocaleFormatter::shared();
using Value = testjson::Tree;

Value change(unsigned n, const char* outcome, std::optional<double> gap = std::nullopt) {
    Value v = {{"id", viewtest::uuid(n).uuidString()}, {"date", viewtest::kNow - 60.0 * n}, {"outcome", outcome}};
    if (gap) v["gapSeconds"] = *gap;
    return v;
}

Value record(const char* state, long losses, long recoveries, Value changes = Value::array()) {
    return {{"state", state},         {"lossCount", losses}, {"recoveryCount", recoveries}, {"identityChangeCount", 4},
            {"confirmedGapSeconds", 75.5}, {"changes", changes}};
}

class ConnectionStabilityModelTest : public ::testing::Test {
protected:
    void remember() { mirror.state.rememberedTarget = viewtest::targetOf(viewtest::device("driver:1", "Data")); }
    viewtest::Mirror mirror;
};
}  // namespace

TEST(ConnectionStateLook, EachStateHasItsSymbolAndTitle) {
    struct Case {
        State state;
        const char* symbol;
        const char* title;
    } cases[] = {
        {State::waiting, "externaldrive.badge.questionmark", "대상 연결 대기"},
        {State::connected, "link", "연결 확인됨"},
        {State::disconnected, "bolt.slash", "연결 해제 관측됨"},
        {State::unavailable, "questionmark.circle", "연결 판정 보류"},
        {State::sleeping, "moon.zzz", "잠자기 · 집계 쉬는 중"},
        {State::settling, "arrow.triangle.2.circlepath", "기상 후 연결 확인 중"},
    };
    for (const auto& c : cases) EXPECT_EQ(ConnectionStateLook::of(c.state), (ConnectionStateLook{c.symbol, c.title}));
}

TEST_F(ConnectionStabilityModelTest, TheLinkRowExistsOnlyForARememberedDrive) {
    mirror.state.connectionStability = viewtest::stability(record("connected", 3, 2));
    EXPECT_FALSE(ConnectionStabilityLinkModel::make(mirror.apply()));

    remember();
    mirror.state.connectionStability = {};
    auto link = ConnectionStabilityLinkModel::make(mirror.apply());
    ASSERT_TRUE(link);
    EXPECT_EQ(link->stateSymbol, "externaldrive.badge.questionmark");
    EXPECT_EQ(link->title, "연결 요약");
    EXPECT_EQ(link->summary, "대상 연결 대기");
    EXPECT_EQ(link->chevronSymbol, "chevron.right");
    EXPECT_EQ(link->help, "기억한 대상 · 이번 실행의 연결 변화");

    mirror.state.connectionStability = viewtest::stability(record("disconnected", 2, 1));
    link = ConnectionStabilityLinkModel::make(mirror.apply());
    EXPECT_EQ(link->summary, "해제 2 · 복귀 1");
    EXPECT_EQ(link->accessibilityLabel, "연결 요약, 해제 2 · 복귀 1");
    EXPECT_EQ(link->stateSymbol, "bolt.slash");
    mirror.state.connectionStability = viewtest::stability(record("connected", 12345, 12344));
    EXPECT_EQ(ConnectionStabilityLinkModel::make(mirror.apply())->summary, "해제 12345 · 복귀 12344");
}

TEST_F(ConnectionStabilityModelTest, WithoutARememberedDriveTheWindowSaysSoWhateverTheRecordHolds) {
    mirror.state.connectionStability = viewtest::stability(record("connected", 3, 2, Value::array({change(1, "pending")})));
    const auto m = ConnectionStabilityModel::make(mirror.apply(), locale);
    EXPECT_EQ(m.headerTitle, "연결 안정성 요약");
    EXPECT_EQ(m.headerSymbol, "link");
    EXPECT_FALSE(m.record);
    EXPECT_EQ(m.unavailable.title, "기억한 대상이 없습니다");
    EXPECT_EQ(m.unavailable.symbol, "externaldrive.badge.questionmark");
    EXPECT_EQ(m.unavailable.description, "장치 정보에서 관측 대상을 기억하면 이번 실행의 연결 변화를 요약합니다.");
}

TEST_F(ConnectionStabilityModelTest, AFreshRecordShowsZerosAndTheEmptyNote) {
    remember();
    const auto m = ConnectionStabilityModel::make(mirror.apply(), locale);
    ASSERT_TRUE(m.record);
    const auto& r = *m.record;
    EXPECT_EQ(r.state, (ConnectionStateLook{"externaldrive.badge.questionmark", "대상 연결 대기"}));
    using Metric = ConnectionStabilityModel::Metric;
    EXPECT_EQ(r.metrics[0], (Metric{"해제 관측", "bolt.slash", "0회"}));
    EXPECT_EQ(r.metrics[1], (Metric{"복귀 확인", "arrow.uturn.backward", "0회"}));
    EXPECT_EQ(r.metrics[2], (Metric{"확인된 공백", "clock", "0초"}));
    EXPECT_EQ(r.sinceLine, "기억한 대상 · 이번 실행");
    EXPECT_EQ(r.lastLossLine, "관측 범위에서 확인된 해제 없음");
    EXPECT_EQ(r.emptyNote, "아직 연결 변화 기록이 없습니다.");
    EXPECT_TRUE(r.changes.empty());
    EXPECT_EQ(r.footnote,
              "복귀까지 연속 관측한 공백만 합산합니다. 잠자기·조회 불가 구간은 제외하며 해제 원인이나 장치 건강도를 "
              "판정하지 않습니다. 최근 30건은 메모리에만 보관하고 앱 종료·기억 대상 변경 시 초기화합니다.");
}

TEST_F(ConnectionStabilityModelTest, ARecordWithChangesListsThemNewestFirst) {
    remember();
    Value v = record("connected", 3, 2,
                     Value::array({change(1, "recovered", 2.5), change(2, "recovered"), change(3, "pending"),
                                   change(4, "interrupted"), change(5, "identityChanged")}));
    v["startedAt"] = viewtest::kNow - 3'600;
    v["lastLossAt"] = viewtest::kNow - 60;
    mirror.state.connectionStability = viewtest::stability(v);
    const auto m = ConnectionStabilityModel::make(mirror.apply(), locale);
    ASSERT_TRUE(m.record);
    const auto& r = *m.record;
    EXPECT_EQ(r.metrics[0].value, "3회");
    EXPECT_EQ(r.metrics[1].value, "2회");
    EXPECT_EQ(r.metrics[2].value, "1분 15초");
    EXPECT_EQ(r.sinceLine, "기억한 대상 · 이번 실행 · 2023-03-08 19:26:40부터");
    EXPECT_EQ(r.lastLossLine, "최근 해제 · 2023-03-08 20:25:40");
    EXPECT_FALSE(r.emptyNote);
    using Change = ConnectionStabilityModel::Change;
    const std::vector<Change> expected = {
        {viewtest::uuid(1).uuidString(), "arrow.uturn.backward", "복귀 확인 · 공백 2초", "2023-03-08 20:25:40"},
        {viewtest::uuid(2).uuidString(), "arrow.uturn.backward", "복귀 확인 · 공백 0초", "2023-03-08 20:24:40"},
        {viewtest::uuid(3).uuidString(), "circle.dotted", "연결 해제 · 복귀 확인 대기", "2023-03-08 20:23:40"},
        {viewtest::uuid(4).uuidString(), "circle.dotted", "연결 해제 · 관측 중단으로 공백 계산 제외",
         "2023-03-08 20:22:40"},
        {viewtest::uuid(5).uuidString(), "circle.dotted", "장치 연결 식별 변경 · 해제 구간 미확인",
         "2023-03-08 20:21:40"},
    };
    EXPECT_EQ(r.changes, expected);
}

TEST_F(ConnectionStabilityModelTest, ThirtyChangesGiveThirtyRows) {
    remember();
    Value changes = Value::array();
    for (unsigned i = 0; i < 30; ++i) changes.push_back(change(i, "recovered", 1));
    mirror.state.connectionStability = viewtest::stability(record("connected", 30, 30, changes));
    const auto m = ConnectionStabilityModel::make(mirror.apply(), locale);
    EXPECT_EQ(m.record->changes.size(), 30u);
    EXPECT_EQ(m.record->changes.front().id, viewtest::uuid(0).uuidString());
    EXPECT_FALSE(m.record->emptyNote);
}
