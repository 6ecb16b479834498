#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QApplication;

namespace quentrel {

// The agent's QApplication, started on the platforms Qt would try here (DisplayPlatform) with the
// fallback after them: a display that cannot be reached, or a platform plugin that is not
// installed, leaves the agent running without a display instead of ending it inside Qt. The list
// goes to Qt as its "-platform" argument, so the environment stays as the user set it for the UI
// app that the agent starts later (and is never changed while threads run).
//
// Qt's messages during the start are held back: passed on as they came when a platform that was
// asked for started; dropped when Qt fell back, since missingDisplay() then says in one line what
// they tell one platform at a time.
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

private:
    // The application's arguments, which it keeps referring to.
    std::vector<std::string> arguments_;
    std::vector<char*> argv_;
    int argc_ = 0;
    std::unique_ptr<QApplication> application_;
    std::optional<std::string> missingDisplay_;
};

}  // namespace quentrel
