#include "Quentrel/Views/Models/WorkSessionModel.h"

#include <gtest/gtest.h>

#include "MirrorFixture.h"

using namespace quentrel;

namespace {
const auto& locale = FixedLocaleFormatter::shared();
using SymbolText = WorkSessionModel::SymbolText;
}  // namespace

TEST(WorkSessionModel, WithoutASessionOnlyTheHeaderAndTheNoteShow) {
    viewtest::Mirror mirror;
    // Before the first state, and with one that carries no session, paused or not.
    for (int round = 0; round < 3; ++round) {
        if (round > 0) mirror.state.sampling.enabled = round == 1;
        const auto m = WorkSessionModel::make(round ? mirror.apply() : *mirror.store, true, locale);
        EXPECT_EQ(m.header, (SymbolText{"이번 작업 세션", "rectangle.stack.badge.clock"}));
        EXPECT_EQ(m.openLogSymbol, "arrow.up.right");
        EXPECT_EQ(m.openLogAccessibilityLabel, "작업 세션 기록 열기");
        EXPECT_FALSE(m.session);
        EXPECT_EQ(m.noSessionText, "다음 유효한 I/O 구간부터 집계합니다");
    }
}

TEST(WorkSessionModel, ASessionShowsItsTotalsAndDurations) {
    viewtest::Mirror mirror;
    mirror.state.currentSession = viewtest::session(1'234'567, 999'999, 3'599.9, 3'725);
    const auto m = WorkSessionModel::make(mirror.apply(), false, locale);
    ASSERT_TRUE(m.session);
    EXPECT_EQ(m.session->read, (SymbolText{"1.2 MB", "arrow.down"}));
    EXPECT_EQ(m.session->readAccessibilityLabel, "세션 읽기 1.2 MB");
    EXPECT_EQ(m.session->written, (SymbolText{"1,000.0 KB", "arrow.up"}));
    EXPECT_EQ(m.session->writtenAccessibilityLabel, "세션 쓰기 1,000.0 KB");
    EXPECT_EQ(m.session->durationLine, "관측 59분 59초 · 경과 1시간 2분");
    EXPECT_FALSE(m.session->pausedNote);
    EXPECT_FALSE(m.compact);
}

TEST(WorkSessionModel, ThePausedNoteBelongsToARunningSessionWhileSamplingIsOff) {
    viewtest::Mirror mirror;
    mirror.state.currentSession = viewtest::session(0, 0, 0, 0);
    mirror.state.sampling.enabled = false;
    const auto m = WorkSessionModel::make(mirror.apply(), true, locale);
    ASSERT_TRUE(m.session);
    EXPECT_EQ(m.session->read.title, "0 B");
    EXPECT_EQ(m.session->written.title, "0 B");
    EXPECT_EQ(m.session->durationLine, "관측 0초 · 경과 0초");
    EXPECT_EQ(m.session->pausedNote, (SymbolText{"집계 쉬는 중 · 다음 관측에서 이어집니다", "pause.circle"}));
    EXPECT_TRUE(m.compact);
}
