#pragma once

#include <optional>
#include <string_view>

#include <sys/types.h>

namespace quentrel {

// The checks KavrinetUI makes before it creates anything (a Qt application without a display
// would abort, so nothing Qt-related may come first): its arguments, the marker the agent sets in
// its environment, and a live parent. A stray start ends with status 64.
struct UILaunchCheck {
    static constexpr std::string_view pipeVariable = "KAVRINET_UI_PIPE";
    static constexpr std::string_view pipeValue = "1";
    static constexpr int refusalStatus = 64;

    struct Refusal {
        int status = refusalStatus;
        std::string_view message;  // written to standard error in one write; empty: silent
        friend bool operator==(const Refusal&, const Refusal&) = default;
    };

    // `pipe` is the value of pipeVariable (null when unset), `parent` the parent's process id.
    // None: the start goes on.
    static std::optional<Refusal> check(int argc, const char* const* argv, const char* pipe, pid_t parent);
    // The same for this process.
    static std::optional<Refusal> checkProcess(int argc, const char* const* argv);
};

}  // namespace quentrel
