#include "WorkSessionModel.h"

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/SessionText.h"
#include "Wendmark/SamplingConfiguration.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

namespace {
// Every text of the card.
constexpr const char* headerTitle = "이번 작업 세션";
constexpr const char* openLogLabel = "작업 세션 기록 열기";
constexpr const char* readLabelPrefix = "세션 읽기 ";
constexpr const char* writtenLabelPrefix = "세션 쓰기 ";
constexpr const char* observedPrefix = "관측 ";
constexpr const char* elapsedInfix = " · 경과 ";
constexpr const char* pausedSentence = "집계 쉬는 중 · 다음 관측에서 이어집니다";
constexpr const char* noSessionSentence = "다음 유효한 I/O 구간부터 집계합니다";
}  // namespace

WorkSessionModel WorkSessionModel::make(const ObserverStore& store, bool compact, const LocaleFormatter& locale) {
    WorkSessionModel m;
    m.compact = compact;
    m.header = {headerTitle, "rectangle.stack.badge.clock"};
    m.openLogSymbol = "arrow.up.right";
    m.openLogAccessibilityLabel = openLogLabel;
    m.noSessionText = noSessionSentence;
    if (const auto& current = store.currentSession()) {
        Session s;
        s.read = {SessionText::bytes(current->bytesRead, locale), "arrow.down"};
        s.readAccessibilityLabel = readLabelPrefix + s.read.title;
        s.written = {SessionText::bytes(current->bytesWritten, locale), "arrow.up"};
        s.writtenAccessibilityLabel = writtenLabelPrefix + s.written.title;
        s.durationLine = observedPrefix + SessionText::duration(current->observedSeconds) + elapsedInfix +
                         SessionText::duration(current->elapsedSeconds);
        if (!store.sampling().enabled) s.pausedNote = SymbolText{pausedSentence, "pause.circle"};
        m.session = std::move(s);
    }
    return m;
}

}  // namespace quentrel
