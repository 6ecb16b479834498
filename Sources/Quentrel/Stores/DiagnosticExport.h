#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "Platform/Desktop/SavePanel.h"
#include "Platform/Foundation/Base64.h"
#include "Quentrel/Services/DiagnosticPreview.h"

namespace quentrel {

// The diagnostic export between building and handing over: the preview whose exact bytes are
// copied or saved, and the one save panel that writes them. The panel is held weakly, as it keeps
// itself alive while it is shown. Main queue only; it sends no signal (its owner publishes).
class DiagnosticExport {
public:
    const std::optional<DiagnosticPreview>& preview() const { return diagnosticPreview_; }
    // A preview just built, mirrored, or none.
    void setPreview(std::optional<DiagnosticPreview> preview) { diagnosticPreview_ = std::move(preview); }
    // The bytes of `preview` while it is still the current one (same bytes, same creation date).
    std::optional<platform::Data> bytesFor(const DiagnosticPreview& preview) const;

    bool holdsSavePanel() const { return !diagnosticSavePanel_.expired(); }
    void holdSavePanel(const std::shared_ptr<platform::SavePanel>& panel) { diagnosticSavePanel_ = panel; }
    // Brings the held panel to the front when it is open; false when none is open.
    bool raiseSavePanel() const;
    // Forgets `panel` when it is still the one held, neither expired-and-replaced nor a newer one.
    void releaseSavePanel(const std::weak_ptr<platform::SavePanel>& panel);
    // Forgets the held panel and cancels it.
    void forgetSavePanel();

private:
    std::optional<DiagnosticPreview> diagnosticPreview_;
    std::weak_ptr<platform::SavePanel> diagnosticSavePanel_;
};

}  // namespace quentrel
