#pragma once

#include <string_view>

namespace quentrel {

// Which root view a window shows.
enum class WindowContent {
    welcome,
    settings,
    deviceDetails,
    connectionSummary,
    activityLog,
    diagnosticPreview,
    dataManagement,
    helpUsage,  // the help view opened at its usage section
    helpAbout,  // the help view opened at its about section
    dashboard,
};

// One row of the window table: what a window id opens, its title and its size. Sizes are content
// sizes in points (the area under the window's menu bar), width × height.
struct WindowSpec {
    WindowContent content = WindowContent::dashboard;
    std::string_view title;
    // The window takes its content's fitting size and cannot be resized.
    bool fitting = false;
    int width = 0;
    int height = 0;
    int minimumWidth = 0;
    int minimumHeight = 0;
};

struct WindowTable {
    static constexpr int defaultMinimumWidth = 460;
    static constexpr int defaultMinimumHeight = 400;
    static constexpr std::string_view dashboardWindow = "status";
    static constexpr std::string_view diagnosticPreviewWindow = "diagnostic-preview";

    // The row of `windowID`; an id outside the table opens the dashboard under that id, with the
    // default minimum size ("status" itself has a larger minimum).
    static WindowSpec spec(std::string_view windowID);
};

}  // namespace quentrel
