#pragma once

#include "Platform/Desktop/FileBrowser.h"
#include "Platform/Dispatch/SerialQueue.h"

namespace platform {

// The file browser of a freedesktop session: org.freedesktop.FileManager1.ShowFolders on the
// session bus with the folder's file:// URI; where no file manager answers (or there is no
// session bus), "xdg-open" found on PATH, started directly with the path as its one argument.
// The opener's answer is its exit status: the folder counts as opened once it has exited with 0.
// Needs a QCoreApplication and its event loop; completions run on `mainQueue`.
class DesktopFileBrowser final : public FileBrowser {
public:
    // How long the file manager may take to answer, activation included.
    static constexpr int replyTimeoutMilliseconds = 10000;

    explicit DesktopFileBrowser(SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}

    void openFolder(const std::string& path, Completion completion) override;

private:
    SerialQueuePtr mainQueue_;
};

}  // namespace platform
