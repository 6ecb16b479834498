#include "Quentrel/Views/Models/WorkSessionHistoryModel.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "MirrorFixture.h"

using namespace quentrel;
using wendmark::SessionEndReason;

namespace {
using Model = WorkSessionHistoryModel;
using SymbolText = Model::SymbolText;

Model make(const ObserverStore& store) {
    return Model::make(store, FixedLocaleFormatter::shared(), FixedMinuteDateFormatter::shared());
}

wendmark::WorkSession ended(unsigned id, std::optional<SessionEndReason> reason, double observed, double elapsed) {
    auto s = viewtest::session(2'000'000'000, 1'060, observed, elapsed);
    s.id = viewtest::uuid(id);
    s.endReason = reason;
    return s;
}

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinite = std::numeric_limits<double>::infinity();
}  // namespace

TEST(WorkSessionHistoryModel, CoverageIsTheTruncatedObservedShareOfTheElapsedTime) {
    struct Case {
        double observed, elapsed;
        int percent;
    };
    const Case cases[] = {
        {0, 0, 0},        {10, 0, 0},       {10, -5, 0},     {10, notANumber, 0},      {30, 40, 75},
        {29, 100, 29},    {57, 100, 57},    {999, 1000, 99}, {50, 40, 100},     {1, 3, 33},
        {2, 3, 66},       {notANumber, 40, 100},   {infinite, 40, 100},  {infinite, infinite, 100},   {40, infinite, 0},
        {-10, 40, 0},     {40, 40, 100},    {0, 40, 0},      {0.999999, 1, 99}, {1e-12, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Model::coveragePercent(c.observed, c.elapsed), c.percent) << c.observed << " of " << c.elapsed;
}

TEST(WorkSessionHistoryModel, BeforeTheFirstStateTheListIsEmptyAndNoSessionCanBeStarted) {
    viewtest::Mirror mirror;
    const auto m = make(*mirror.store);
    EXPECT_EQ(m.explanation, "관측한 구간의 I/O 합계입니다. 파일 복사 완료나 분리 가능 여부를 뜻하지 않습니다.");
    EXPECT_EQ(m.newSessionButton, (SymbolText{"새 세션", "plus"}));
    EXPECT_FALSE(m.newSessionEnabled);
    EXPECT_EQ(m.emptyState, (SymbolText{"아직 세션이 없습니다", "clock"}));
    EXPECT_TRUE(m.rows.empty());
    EXPECT_EQ(m.limitsNote, "최대 30개 · 7일 보관. 창이 닫혀 관측하지 않은 시간은 합계에 포함되지 않습니다.");
}

TEST(WorkSessionHistoryModel, TheBannerFollowsTheSessionStorage) {
    const std::pair<EventStorageStatus, const char*> cases[] = {
        {EventStorageStatus::available, nullptr},
        {EventStorageStatus::memoryOnly, "내장 저장 위치를 사용할 수 없어 이번 실행의 기록만 표시합니다."},
        {EventStorageStatus::readFailed, "이전 기록을 읽지 못했습니다. 관측은 계속됩니다."},
        {EventStorageStatus::writeFailed, "기록을 저장하지 못했습니다. 현재 관측과 메모리 기록은 계속됩니다."},
    };
    for (const auto& [status, text] : cases) {
        viewtest::Mirror mirror;
        mirror.state.sessionStorageStatus = status;
        // The event log's status is not this banner's.
        mirror.state.eventStorageStatus = EventStorageStatus::writeFailed;
        const auto m = make(mirror.apply());
        if (!text) {
            EXPECT_FALSE(m.storageBanner);
        } else {
            EXPECT_EQ(m.storageBanner, (SymbolText{text, "exclamationmark.circle"}));
        }
    }
}

TEST(WorkSessionHistoryModel, TheRunningSessionLeadsAndEveryRowSaysWhyItEnded) {
    viewtest::Mirror mirror;
    mirror.state.currentSession = ended(1, std::nullopt, 30, 40);
    mirror.state.sessions = {*mirror.state.currentSession};
    const std::pair<SessionEndReason, const char*> reasons[] = {
        {SessionEndReason::selectionChanged, "관측 장치 변경"},
        {SessionEndReason::disconnected, "연결 해제"},
        {SessionEndReason::appQuit, "앱 종료"},
        {SessionEndReason::newSession, "새 세션 시작"},
        {SessionEndReason::interrupted, "이전 실행 중단 · 마지막 저장까지"},
        {SessionEndReason::counterOverflow, "집계 한도 도달"},
    };
    unsigned id = 2;
    for (const auto& [reason, title] : reasons) mirror.state.sessions.push_back(ended(id++, reason, 30, 40));

    const auto m = make(mirror.apply());
    EXPECT_TRUE(m.newSessionEnabled);
    EXPECT_FALSE(m.emptyState);
    ASSERT_EQ(m.rows.size(), 7u);
    EXPECT_EQ(m.rows[0].id, viewtest::uuid(1).uuidString());
    EXPECT_EQ(m.rows[0].reason, (SymbolText{"현재 세션", "circle.dotted"}));
    EXPECT_EQ(m.rows[0].coverageLine, "관측률 75% · 최근 갱신 20:26:40");
    for (std::size_t i = 0; i < std::size(reasons); ++i) {
        EXPECT_EQ(m.rows[i + 1].reason, (SymbolText{reasons[i].second, "checkmark.circle"}));
        EXPECT_EQ(m.rows[i + 1].coverageLine, "관측률 75% · 종료 20:26:40");
    }
}

TEST(WorkSessionHistoryModel, ARowShowsItsStartTotalsAndDurations) {
    viewtest::Mirror mirror;
    auto s = ended(1, SessionEndReason::disconnected, 30, 40);
    s.startedAt = platform::Date{viewtest::kNow - 3'725};
    mirror.state.sessions = {s, ended(2, SessionEndReason::appQuit, 3'700.5, 3'600)};
    const auto m = make(mirror.apply());
    ASSERT_EQ(m.rows.size(), 2u);
    EXPECT_EQ(m.rows[0].startedAt, "2023-03-08 19:24");
    EXPECT_EQ(m.rows[0].read, (SymbolText{"읽기 2.0 GB", "arrow.down"}));
    EXPECT_EQ(m.rows[0].written, (SymbolText{"쓰기 1.1 KB", "arrow.up"}));
    EXPECT_EQ(m.rows[0].durationLine, "관측 30초 · 경과 40초 · 미관측 10초");
    // More observed than elapsed: full coverage, nothing unobserved.
    EXPECT_EQ(m.rows[1].durationLine, "관측 1시간 1분 · 경과 1시간 0분 · 미관측 0초");
    EXPECT_EQ(m.rows[1].coverageLine, "관측률 100% · 종료 20:26:40");
    // Completed rows alone leave the button disabled.
    EXPECT_FALSE(m.newSessionEnabled);
}
