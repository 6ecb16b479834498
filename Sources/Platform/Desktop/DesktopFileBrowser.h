#pragma once

#include "FileBrowser.h"

namespace platform {

// The file browser of a freedesktop session: org.freedesktop.FileManager1.ShowFolders on the
// session bus with the folder's file:// URI; where no file manager answers (or there is no
// session bus), "xdg-open" found on PATH, started directly with the path as its one argument.
// Needs a QCoreApplication and its event loop.
class DesktopFileBrowser final : public FileBrowser {
public:
    // How long the file manager may take to answer, activation included.
    static constexpr int replyTimeoutMilliseconds = 10000;

    void openFolder(const std::string& path, Completion completion) override;
};

}  // namespace platform
