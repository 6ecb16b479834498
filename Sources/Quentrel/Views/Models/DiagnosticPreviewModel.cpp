#include "DiagnosticPreviewModel.h"

#include "Quentrel/Services/DiagnosticPreview.h"
#include "Quentrel/Stores/ObserverStore.h"

namespace quentrel {

std::string snapshotLine(const DiagnosticPreview& preview, const LocalizedFormats& formats) {
    using Texts = DiagnosticPreviewTexts;
    const std::uint64_t count = preview.data.size();
    std::string line = formats.time ? formats.time(preview.createdAt) : std::string();
    line += Texts::snapshotMiddle;
    line += formats.groupedInteger ? formats.groupedInteger(count) : std::to_string(count);
    line += Texts::snapshotUnit;
    return line;
}

DiagnosticPreviewModel makeDiagnosticPreviewModel(const ObserverStore& store, const LocalizedFormats& formats) {
    DiagnosticPreviewModel m;
    if (const auto& preview = store.diagnosticPreview())
        m.preview = DiagnosticPreviewContent{snapshotLine(*preview, formats), preview->text()};
    m.errorLine = store.errorMessage();
    return m;
}

}  // namespace quentrel
