#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Starts `arguments[0]` (looked up in PATH) with the given argument list and this process's
// environment, never through a shell, and does not wait for it: a background thread reaps it.
// SIGPIPE and the signal mask are back at their defaults in the child. Absent on success, else the
// system's description of why it could not be started.
std::optional<std::string> startDetachedProcess(const std::vector<std::string>& arguments);

}  // namespace platform
