#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "LocalizedFormats.h"

namespace quentrel {

class ObserverStore;
struct DiagnosticPreview;

// Every text of the diagnostic preview window.
struct DiagnosticPreviewTexts {
    static constexpr std::string_view windowID = "diagnostic-preview";
    static constexpr std::string_view title = "진단 미리보기";
    static constexpr std::string_view privacyNote =
        "장치·볼륨 이름, 경로, 식별자와 원문 오류는 제외했습니다. 아래 내용만 저장·복사하며 자동으로 전송하지 않습니다.";
    static constexpr std::string_view emptyTitle = "진단을 새로 만들어주세요";
    static constexpr std::string_view emptySymbol = "doc.text.magnifyingglass";
    static constexpr std::string_view emptyDescription = "최근 이벤트가 바뀌어 이전 미리보기를 비웠습니다.";
    static constexpr std::string_view rebuildButton = "새로 만들기";
    static constexpr std::string_view rebuildSymbol = "arrow.clockwise";
    static constexpr std::string_view copyButton = "복사";
    static constexpr std::string_view copySymbol = "doc.on.doc";
    static constexpr std::string_view copyIdentifier = "copyDiagnosticPreview";
    static constexpr std::string_view saveButton = "저장…";
    static constexpr std::string_view saveSymbol = "square.and.arrow.down";
    static constexpr std::string_view saveIdentifier = "saveDiagnosticPreview";
    static constexpr std::string_view textIdentifier = "diagnosticPreviewText";
    static constexpr std::string_view textLabel = "비식별 진단 JSON";
    static constexpr std::string_view snapshotMiddle = "에 만든 스냅샷 · ";
    static constexpr std::string_view snapshotUnit = "바이트";
};

// The shown preview: its snapshot line and its text.
struct DiagnosticPreviewContent {
    std::string snapshotLine;
    std::string text;

    friend bool operator==(const DiagnosticPreviewContent&, const DiagnosticPreviewContent&) = default;
};

// What the window shows: the preview (absent: the empty state) and the error line.
struct DiagnosticPreviewModel {
    std::optional<DiagnosticPreviewContent> preview;
    std::optional<std::string> errorLine;

    friend bool operator==(const DiagnosticPreviewModel&, const DiagnosticPreviewModel&) = default;
};

// "<time>에 만든 스냅샷 · <grouped byte count>바이트".
std::string snapshotLine(const DiagnosticPreview& preview, const LocalizedFormats& formats);

DiagnosticPreviewModel makeDiagnosticPreviewModel(const ObserverStore& store, const LocalizedFormats& formats);

}  // namespace quentrel
