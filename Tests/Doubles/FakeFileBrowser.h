#pragma once

#include <string>
#include <vector>

#include "Platform/Desktop/FileBrowser.h"
#include "Platform/Dispatch/SerialQueue.h"

// Records the folders it is asked to open and answers `opens` later on the given main queue.
class FakeFileBrowser final : public platform::FileBrowser {
public:
    explicit FakeFileBrowser(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}

    void openFolder(const std::string& path, Completion completion) override {
        opened.push_back(path);
        const bool result = opens && !path.empty() && path.front() == '/' && path.find('\0') == std::string::npos;
        mainQueue_->async([completion = std::move(completion), result] { completion(result); });
    }

    bool opens = true;
    std::vector<std::string> opened;

private:
    platform::SerialQueuePtr mainQueue_;
};
