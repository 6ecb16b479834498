#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Desktop/SavePanel.h"
#include "Platform/Dispatch/SerialQueue.h"

// A save panel the test answers. Completions are posted to the given main queue, as the real
// panel posts them to the event loop; a begun panel keeps itself alive until its completion ran.
class FakeSavePanel final : public platform::SavePanel, public std::enable_shared_from_this<FakeSavePanel> {
public:
    FakeSavePanel(platform::SavePanelOptions asked, platform::SerialQueuePtr mainQueue)
        : options(std::move(asked)), mainQueue_(std::move(mainQueue)) {}

    void begin(Completion completion) override {
        if (begun_) return;
        begun_ = true;
        open_ = true;
        completion_ = std::move(completion);
        keepAlive_ = shared_from_this();
    }
    void bringToFront() override {
        if (open_) ++bringToFrontCount;
    }
    void cancel() override {
        if (!open_) return;
        ++cancelCount;
        answer(std::nullopt);
    }
    bool isOpen() const override { return open_; }

    // The user's answers.
    void choose(const std::filesystem::path& file) { answer(file); }
    void dismiss() { answer(std::nullopt); }

    const platform::SavePanelOptions options;
    int bringToFrontCount = 0;
    int cancelCount = 0;

private:
    void answer(std::optional<std::filesystem::path> chosen) {
        if (!open_) return;
        open_ = false;
        mainQueue_->async([completion = std::move(completion_), chosen = std::move(chosen),
                           keep = std::move(keepAlive_)] {
            if (completion) completion(chosen);
        });
    }

    platform::SerialQueuePtr mainQueue_;
    Completion completion_;
    std::shared_ptr<FakeSavePanel> keepAlive_;
    bool begun_ = false;
    bool open_ = false;
};

// Makes FakeSavePanels and remembers them weakly, newest last.
class FakeSavePanels final : public platform::SavePanels {
public:
    explicit FakeSavePanels(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}

    std::shared_ptr<platform::SavePanel> makePanel(const platform::SavePanelOptions& options) override {
        auto panel = std::make_shared<FakeSavePanel>(options, mainQueue_);
        made.push_back(panel);
        return panel;
    }

    // The newest panel while it is alive.
    std::shared_ptr<FakeSavePanel> last() const { return made.empty() ? nullptr : made.back().lock(); }

    std::vector<std::weak_ptr<FakeSavePanel>> made;

private:
    platform::SerialQueuePtr mainQueue_;
};
