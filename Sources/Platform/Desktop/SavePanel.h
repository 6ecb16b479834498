#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "Platform/Foundation/AtomicFile.h"

namespace platform {

// Another program's window that a save panel is asked from: its process (or one that process
// started, as a launcher would) and the window's title.
struct SavePanelRequester {
    std::int32_t process = 0;
    std::string windowTitle;

    friend bool operator==(const SavePanelRequester&, const SavePanelRequester&) = default;
};

// What a save panel shows and allows.
struct SavePanelOptions {
    std::string title;
    std::string message;            // a line of text shown in the panel
    std::string suggestedFileName;
    std::string contentTypeName;    // the one allowed type, e.g. "JSON"
    std::string fileExtension;      // its extension without the dot, e.g. "json"; added when the name lacks it
    bool canCreateDirectories = true;
    // The panel stays above that window until it closes, where the desktop lets a program say so
    // (X11); elsewhere, and when no such window is open, it is a window of its own.
    std::optional<SavePanelRequester> requester = std::nullopt;

    friend bool operator==(const SavePanelOptions&, const SavePanelOptions&) = default;
};

// One save panel. Main thread only.
class SavePanel {
public:
    // The chosen file, or nothing when the panel was cancelled (by the user or by cancel()).
    using Completion = std::function<void(const std::optional<std::filesystem::path>& chosen)>;

    virtual ~SavePanel() = default;

    // Shows the panel without blocking, raised and activated in front of other windows. The
    // completion runs exactly once, later on the main queue, never inside a call of the panel.
    // A panel is shown once; a second begin() does nothing.
    virtual void begin(Completion completion) = 0;
    // Raises the open panel and makes it the key window; does nothing unless it is open.
    virtual void bringToFront() = 0;
    // Closes the open panel as cancelled; does nothing unless it is open.
    virtual void cancel() = 0;
    // Shown and not yet answered.
    virtual bool isOpen() const = 0;
};

// Makes save panels. A panel that was begun stays alive until its completion has run, so its
// owner may hold it weakly.
class SavePanels {
public:
    virtual ~SavePanels() = default;
    virtual std::shared_ptr<SavePanel> makePanel(const SavePanelOptions& options) = 0;
};

using SavePanelsPtr = std::shared_ptr<SavePanels>;

// Writes the file the user chose: atomically (the destination holds either its old content or
// all of `bytes`) and readable by the user only. False when any step failed.
inline bool writeChosenFile(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes) {
    try {
        AtomicFile::write(destination, bytes);
        return true;
    } catch (const AtomicFileError&) {
        return false;
    }
}

}  // namespace platform
