#include "SpawnSetup.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace platform {

SpawnSetup::SpawnSetup(const ChildStart& start) {
    attributesMade_ = (error_ = posix_spawnattr_init(&attributes_)) == 0;
    if (error_ == 0) actionsMade_ = (error_ = posix_spawn_file_actions_init(&actions_)) == 0;

    // The actions run in order: the copies before the closing, which would take their sources.
    standard(STDIN_FILENO, start.input, O_RDONLY);
    standard(STDOUT_FILENO, start.output, O_WRONLY);
    standard(STDERR_FILENO, std::nullopt, O_WRONLY);
    if (error_ == 0) error_ = posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);

    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (start.newSession) flags |= POSIX_SPAWN_SETSID;
    if (error_ == 0) error_ = posix_spawnattr_setsigdefault(&attributes_, &all);
    if (error_ == 0) error_ = posix_spawnattr_setsigmask(&attributes_, &none);
    if (error_ == 0) error_ = posix_spawnattr_setflags(&attributes_, flags);
}

SpawnSetup::~SpawnSetup() {
    if (actionsMade_) posix_spawn_file_actions_destroy(&actions_);
    if (attributesMade_) posix_spawnattr_destroy(&attributes_);
}

void SpawnSetup::standard(int descriptor, std::optional<int> source, int flags) {
    if (error_ != 0) return;
    // dup2 leaves the copy without close-on-exec.
    error_ = source ? posix_spawn_file_actions_adddup2(&actions_, *source, descriptor)
                    : posix_spawn_file_actions_addopen(&actions_, descriptor, "/dev/null", flags, 0);
}

}  // namespace platform
