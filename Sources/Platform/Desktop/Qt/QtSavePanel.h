#pragma once

#include "Platform/Desktop/SavePanel.h"

namespace platform {

// Save panels on a non-native QFileDialog (the same on every desktop, and never a nested event
// loop), modal only for the requester's window, on X11. Needs a QApplication. The message is a label below the file list; the
// panel opens in the user's documents folder (else the home folder).
class QtSavePanels final : public SavePanels {
public:
    std::shared_ptr<SavePanel> makePanel(const SavePanelOptions& options) override;
};

}  // namespace platform
