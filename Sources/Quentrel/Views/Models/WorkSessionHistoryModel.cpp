#include "WorkSessionHistoryModel.h"

#include <cmath>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/SessionText.h"

namespace quentrel {

namespace {
// Every text of the history.
constexpr const char* explanationText = "관측한 구간의 I/O 합계입니다. 파일 복사 완료나 분리 가능 여부를 뜻하지 않습니다.";
constexpr const char* newSessionTitle = "새 세션";
constexpr const char* memoryOnlyBanner = "내장 저장 위치를 사용할 수 없어 이번 실행의 기록만 표시합니다.";
constexpr const char* readFailedBanner = "이전 기록을 읽지 못했습니다. 관측은 계속됩니다.";
constexpr const char* writeFailedBanner = "기록을 저장하지 못했습니다. 현재 관측과 메모리 기록은 계속됩니다.";
constexpr const char* emptyTitle = "아직 세션이 없습니다";
constexpr const char* limitsText = "최대 30개 · 7일 보관. 창이 닫혀 관측하지 않은 시간은 합계에 포함되지 않습니다.";
constexpr const char* runningTitle = "현재 세션";
constexpr const char* readPrefix = "읽기 ";
constexpr const char* writtenPrefix = "쓰기 ";
constexpr const char* observedPrefix = "관측 ";
constexpr const char* elapsedInfix = " · 경과 ";
constexpr const char* unobservedInfix = " · 미관측 ";
constexpr const char* coveragePrefix = "관측률 ";
constexpr const char* coverageInfix = "% · ";
constexpr const char* runningUpdated = "최근 갱신";
constexpr const char* completedUpdated = "종료";

constexpr const char* bannerSymbol = "exclamationmark.circle";
constexpr const char* completedSymbol = "checkmark.circle";
constexpr const char* runningSymbol = "circle.dotted";

constexpr double fullCoverage = 1.0;
constexpr double percent = 100;
// Less than any percentage step a real ratio can fall short by, far more than a double's error
// around 100.
constexpr double truncationAllowance = 1e-9;

const char* titleOf(wendmark::SessionEndReason reason) {
    using R = wendmark::SessionEndReason;
    switch (reason) {
        case R::selectionChanged: return "관측 장치 변경";
        case R::disconnected: return "연결 해제";
        case R::appQuit: return "앱 종료";
        case R::newSession: return "새 세션 시작";
        case R::interrupted: return "이전 실행 중단 · 마지막 저장까지";
        case R::counterOverflow: return "집계 한도 도달";
    }
    return "";
}

WorkSessionHistoryModel::Row rowOf(const wendmark::WorkSession& session, const LocaleFormatter& locale,
                                   const MinuteDateFormatter& minuteDates) {
    WorkSessionHistoryModel::Row row;
    row.id = session.id.uuidString();
    row.reason = WorkSessionHistoryModel::reasonOf(session.endReason);
    row.startedAt = minuteDates.dateMinutes(session.startedAt);
    row.read = {readPrefix + SessionText::bytes(session.bytesRead, locale), "arrow.down"};
    row.written = {writtenPrefix + SessionText::bytes(session.bytesWritten, locale), "arrow.up"};
    row.durationLine = observedPrefix + SessionText::duration(session.observedSeconds) + elapsedInfix +
                       SessionText::duration(session.elapsedSeconds) + unobservedInfix +
                       SessionText::duration(session.gapSeconds());
    row.coverageLine = coveragePrefix +
                       std::to_string(WorkSessionHistoryModel::coveragePercent(session.observedSeconds,
                                                                                session.elapsedSeconds)) +
                       coverageInfix + (session.endReason ? completedUpdated : runningUpdated) + " " +
                       locale.time(session.updatedAt);
    return row;
}
}  // namespace

std::optional<WorkSessionHistoryModel::SymbolText> WorkSessionHistoryModel::storageBannerFor(EventStorageStatus status) {
    switch (status) {
        case EventStorageStatus::available: return std::nullopt;
        case EventStorageStatus::memoryOnly: return SymbolText{memoryOnlyBanner, bannerSymbol};
        case EventStorageStatus::readFailed: return SymbolText{readFailedBanner, bannerSymbol};
        case EventStorageStatus::writeFailed: return SymbolText{writeFailedBanner, bannerSymbol};
    }
    return std::nullopt;
}

WorkSessionHistoryModel::SymbolText WorkSessionHistoryModel::reasonOf(
    const std::optional<wendmark::SessionEndReason>& reason) {
    if (!reason) return {runningTitle, runningSymbol};
    return {titleOf(*reason), completedSymbol};
}

int WorkSessionHistoryModel::coveragePercent(double observedSeconds, double elapsedSeconds) {
    // Written so that a not-a-number elapsed time fails the comparison.
    if (!(elapsedSeconds > 0)) return 0;
    double ratio = observedSeconds / elapsedSeconds;
    // A not-a-number ratio (an unknown observed time, or infinity over infinity) counts as full.
    if (std::isnan(ratio) || ratio > fullCoverage) ratio = fullCoverage;
    // The session store keeps observed times from 0 up; a negative one never reads below 0 %.
    if (ratio < 0) ratio = 0;
    return static_cast<int>(std::trunc(ratio * percent + truncationAllowance));
}

WorkSessionHistoryModel WorkSessionHistoryModel::make(const ObserverStore& store, const LocaleFormatter& locale,
                                                      const MinuteDateFormatter& minuteDates) {
    WorkSessionHistoryModel m;
    m.explanation = explanationText;
    m.newSessionButton = {newSessionTitle, "plus"};
    m.newSessionEnabled = store.currentSession().has_value();
    m.storageBanner = storageBannerFor(store.sessionStorageStatus());
    const auto sessions = store.sessionSummaries();
    if (sessions.empty()) m.emptyState = SymbolText{emptyTitle, "clock"};
    m.rows.reserve(sessions.size());
    for (const auto& session : sessions) m.rows.push_back(rowOf(session, locale, minuteDates));
    m.limitsNote = limitsText;
    return m;
}

}  // namespace quentrel
