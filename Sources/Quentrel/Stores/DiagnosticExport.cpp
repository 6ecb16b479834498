#include "DiagnosticExport.h"

namespace quentrel {

std::optional<platform::Data> DiagnosticExport::bytesFor(const DiagnosticPreview& preview) const {
    if (diagnosticPreview_ && *diagnosticPreview_ == preview) return preview.data;
    return std::nullopt;
}

bool DiagnosticExport::raiseSavePanel() const {
    std::shared_ptr<platform::SavePanel> open = diagnosticSavePanel_.lock();
    if (!open || !open->isOpen()) return false;
    open->bringToFront();
    return true;
}

void DiagnosticExport::releaseSavePanel(const std::weak_ptr<platform::SavePanel>& panel) {
    if (!diagnosticSavePanel_.owner_before(panel) && !panel.owner_before(diagnosticSavePanel_)) {
        diagnosticSavePanel_.reset();
    }
}

void DiagnosticExport::forgetSavePanel() {
    std::shared_ptr<platform::SavePanel> panel = diagnosticSavePanel_.lock();
    diagnosticSavePanel_.reset();
    if (panel) panel->cancel();
}

}  // namespace quentrel
