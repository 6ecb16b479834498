#pragma once

#include <spawn.h>

#include <initializer_list>

namespace platform {

// The attributes and file actions of one posix_spawn call, released on every path. Each step
// after a failed one does nothing, so a set-up is a plain sequence of steps with one check of
// error() at the end.
class SpawnSetup {
public:
    SpawnSetup();
    ~SpawnSetup();
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The child's `descriptor` opened on `path` with `flags`.
    SpawnSetup& open(int descriptor, const char* path, int flags);
    // The child's `descriptor` a copy of this process's `source` (without close-on-exec).
    SpawnSetup& duplicate(int source, int descriptor);
    // Every descriptor from `first` on closed in the child.
    SpawnSetup& closeFrom(int first);
    // The child starts with `signals` at their default dispositions (an ignored disposition would
    // survive the exec), an empty signal mask, and `flags` (POSIX_SPAWN_*) besides.
    SpawnSetup& startSignals(std::initializer_list<int> signals, short flags = 0);

    // The first failure of a step (an errno value), or 0.
    int error() const { return error_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
    bool attributesMade_ = false;
    bool actionsMade_ = false;
    int error_ = 0;
};

}  // namespace platform
