#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Dispatch/SerialQueue.h"

namespace platform {

// How a detached program ended: its exit status, or absent when a signal ended it.
using ProcessExited = std::function<void(std::optional<int> exitStatus)>;

// Starts `arguments[0]` (looked up in PATH) with the given argument list and this process's
// environment, never through a shell, in a session of its own with its input, output and error on
// /dev/null and no other descriptor open, every signal at its default disposition and an empty
// signal mask, and does not wait for it: a background thread reaps it and, when `exited` is given,
// hands how it ended to `exited` on `queue`. Absent on success, else the system's description of why it could not be
// started (every step of the set-up is checked).
std::optional<std::string> startDetachedProcess(const std::vector<std::string>& arguments,
                                                SerialQueuePtr queue = nullptr, ProcessExited exited = {});

}  // namespace platform
