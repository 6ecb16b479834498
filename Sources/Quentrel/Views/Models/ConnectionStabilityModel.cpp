#include "ConnectionStabilityModel.h"

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/SessionText.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

namespace {
using State = wendmark::ConnectionStability::State;
using Outcome = wendmark::ConnectionStability::Change::Outcome;

// Every text of the row and the window.
constexpr const char* linkTitle = "연결 요약";
constexpr const char* linkHelp = "기억한 대상 · 이번 실행의 연결 변화";
constexpr const char* lossesPrefix = "해제 ";
constexpr const char* recoveriesInfix = " · 복귀 ";
constexpr const char* windowTitle = "연결 안정성 요약";
constexpr const char* noTargetTitle = "기억한 대상이 없습니다";
constexpr const char* noTargetDescription = "장치 정보에서 관측 대상을 기억하면 이번 실행의 연결 변화를 요약합니다.";
constexpr const char* lossTile = "해제 관측";
constexpr const char* recoveryTile = "복귀 확인";
constexpr const char* gapTile = "확인된 공백";
constexpr const char* countSuffix = "회";
constexpr const char* sincePrefix = "기억한 대상 · 이번 실행";
constexpr const char* sinceInfix = " · ";
constexpr const char* sinceSuffix = "부터";
constexpr const char* noLossLine = "관측 범위에서 확인된 해제 없음";
constexpr const char* lastLossPrefix = "최근 해제 · ";
constexpr const char* noChangesNote = "아직 연결 변화 기록이 없습니다.";
constexpr const char* footnoteText =
    "복귀까지 연속 관측한 공백만 합산합니다. 잠자기·조회 불가 구간은 제외하며 해제 원인이나 장치 건강도를 "
    "판정하지 않습니다. 최근 30건은 메모리에만 보관하고 앱 종료·기억 대상 변경 시 초기화합니다.";
constexpr const char* pendingTitle = "연결 해제 · 복귀 확인 대기";
constexpr const char* recoveredPrefix = "복귀 확인 · 공백 ";
constexpr const char* interruptedTitle = "연결 해제 · 관측 중단으로 공백 계산 제외";
constexpr const char* identityChangedTitle = "장치 연결 식별 변경 · 해제 구간 미확인";
}  // namespace

ConnectionStateLook ConnectionStateLook::of(State state) {
    switch (state) {
    case State::waiting: return {"externaldrive.badge.questionmark", "대상 연결 대기"};
    case State::connected: return {"link", "연결 확인됨"};
    case State::disconnected: return {"bolt.slash", "연결 해제 관측됨"};
    case State::unavailable: return {"questionmark.circle", "연결 판정 보류"};
    case State::sleeping: return {"moon.zzz", "잠자기 · 집계 쉬는 중"};
    case State::settling: return {"arrow.triangle.2.circlepath", "기상 후 연결 확인 중"};
    }
    return {"externaldrive.badge.questionmark", "대상 연결 대기"};
}

std::optional<ConnectionStabilityLinkModel> ConnectionStabilityLinkModel::make(const ObserverStore& store) {
    if (!store.rememberedTarget()) return std::nullopt;
    const auto& record = store.connectionStability();
    const auto look = ConnectionStateLook::of(record.state());
    ConnectionStabilityLinkModel m;
    m.stateSymbol = look.symbol;
    m.title = linkTitle;
    m.summary = record.lossCount() == 0 ? look.title
                                        : lossesPrefix + std::to_string(record.lossCount()) + recoveriesInfix +
                                              std::to_string(record.recoveryCount());
    m.chevronSymbol = "chevron.right";
    m.help = linkHelp;
    m.accessibilityLabel = m.title + ", " + m.summary;
    return m;
}

std::string ConnectionStabilityModel::changeTitle(const wendmark::ConnectionStability::Change& change) {
    switch (change.outcome) {
    case Outcome::pending: return pendingTitle;
    case Outcome::recovered: return recoveredPrefix + SessionText::duration(change.gapSeconds.value_or(0));
    case Outcome::interrupted: return interruptedTitle;
    case Outcome::identityChanged: return identityChangedTitle;
    }
    return pendingTitle;
}

ConnectionStabilityModel ConnectionStabilityModel::make(const ObserverStore& store, const LocaleFormatter& locale) {
    ConnectionStabilityModel m;
    m.headerTitle = windowTitle;
    m.headerSymbol = "link";
    m.unavailable = {noTargetTitle, "externaldrive.badge.questionmark", noTargetDescription};
    if (!store.rememberedTarget()) return m;

    const auto& stability = store.connectionStability();
    Record r;
    r.state = ConnectionStateLook::of(stability.state());
    r.metrics = {Metric{lossTile, "bolt.slash", std::to_string(stability.lossCount()) + countSuffix},
                 Metric{recoveryTile, "arrow.uturn.backward", std::to_string(stability.recoveryCount()) + countSuffix},
                 Metric{gapTile, "clock", SessionText::duration(stability.confirmedGapSeconds())}};
    r.sinceLine = sincePrefix;
    if (const auto started = stability.startedAt()) r.sinceLine += sinceInfix + locale.dateTime(*started) + sinceSuffix;
    const auto lastLoss = stability.lastLossAt();
    r.lastLossLine = lastLoss ? lastLossPrefix + locale.dateTime(*lastLoss) : std::string(noLossLine);
    if (stability.changes().empty()) r.emptyNote = noChangesNote;
    for (const auto& change : stability.changes())
        r.changes.push_back({change.id().uuidString(),
                             change.outcome == Outcome::recovered ? "arrow.uturn.backward" : "circle.dotted",
                             changeTitle(change), locale.dateTime(change.date())});
    r.footnote = footnoteText;
    m.record = std::move(r);
    return m;
}

}  // namespace quentrel
