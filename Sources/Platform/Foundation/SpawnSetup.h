#pragma once

#include <spawn.h>

#include <optional>

namespace platform {

// How a child starts: its standard input and output copied from the given descriptors of this
// process (each above 2), or on /dev/null where none is given, its standard error on /dev/null
// (nothing it says lands in this program's output); every other descriptor closed
// (also one a library opened without close-on-exec); every signal at its default disposition (an
// ignored one would survive the exec; the C library's own two, which the application never sees,
// posix_spawn leaves ignored) and an empty signal mask.
struct ChildStart {
    std::optional<int> input;
    std::optional<int> output;
    bool newSession = false;  // in a session of its own
};

// The attributes and file actions of one posix_spawn call for a ChildStart, released on every
// path. Every step of the set-up is checked; error() tells the first failure.
class SpawnSetup {
public:
    explicit SpawnSetup(const ChildStart& start);
    ~SpawnSetup();
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The first failure of a step (an errno value), or 0.
    int error() const { return error_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    // The child's standard descriptor `descriptor`: a copy of `source`, or /dev/null opened with `flags`.
    void standard(int descriptor, std::optional<int> source, int flags);

    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
    bool attributesMade_ = false;
    bool actionsMade_ = false;
    int error_ = 0;
};

}  // namespace platform
