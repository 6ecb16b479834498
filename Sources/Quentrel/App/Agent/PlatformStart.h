#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Quentrel/Support/DisplayPlatform.h"

class QApplication;

namespace quentrel {

// The agent's QApplication, started on the platforms whose display answers (DisplayPlatform) with
// the fallback after them: a display that cannot be reached, answers wrongly or not at all, or a
// platform plugin that is not installed, leaves the agent running without a display instead of
// ending or stopping it inside Qt. The list goes to Qt as its "-platform" argument, so the
// environment stays as the user set it for the UI app that the agent starts later (and is never
// changed while threads run).
//
// Qt's messages during the start are held back: passed on as they came when a platform that was
// asked for started; dropped when Qt fell back, since missingDisplay() then says in one line what
// they tell one platform at a time.
//
// Later, when the display's connection ends, Qt says so and ends the process with status 1 right
// after (see PlatformStart.cpp); once the agent has something to finish, it finishes first and
// ends with status 0 instead.
class PlatformStart {
public:
    // `argc` and `argv` as main() got them.
    PlatformStart(int argc, char** argv);
    ~PlatformStart();
    PlatformStart(const PlatformStart&) = delete;
    PlatformStart& operator=(const PlatformStart&) = delete;

    QApplication& application() { return *application_; }
    // Absent when a platform that was asked for started; else why none could.
    const std::optional<std::string>& missingDisplay() const { return missingDisplay_; }

    // From now on, the end of the display's connection runs `finish` (once, on the main thread)
    // and ends the process with status 0.
    void finishWhenDisplayEnds(std::function<void()> finish);
    // Runs that `finish` now unless it has run; main thread. For the end of the event loop.
    void finish();

private:
    std::unique_ptr<DisplayPlatform::Arguments> arguments_;
    std::unique_ptr<QApplication> application_;
    std::optional<std::string> missingDisplay_;
};

}  // namespace quentrel
