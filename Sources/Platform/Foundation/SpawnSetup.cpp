#include "SpawnSetup.h"

#include <csignal>

namespace platform {

SpawnSetup::SpawnSetup() {
    attributesMade_ = (error_ = posix_spawnattr_init(&attributes_)) == 0;
    if (error_ == 0) actionsMade_ = (error_ = posix_spawn_file_actions_init(&actions_)) == 0;
}

SpawnSetup::~SpawnSetup() {
    if (actionsMade_) posix_spawn_file_actions_destroy(&actions_);
    if (attributesMade_) posix_spawnattr_destroy(&attributes_);
}

SpawnSetup& SpawnSetup::open(int descriptor, const char* path, int flags) {
    if (error_ == 0) error_ = posix_spawn_file_actions_addopen(&actions_, descriptor, path, flags, 0);
    return *this;
}

SpawnSetup& SpawnSetup::duplicate(int source, int descriptor) {
    if (error_ == 0) error_ = posix_spawn_file_actions_adddup2(&actions_, source, descriptor);
    return *this;
}

SpawnSetup& SpawnSetup::closeFrom(int first) {
    if (error_ == 0) error_ = posix_spawn_file_actions_addclosefrom_np(&actions_, first);
    return *this;
}

SpawnSetup& SpawnSetup::startSignals(std::initializer_list<int> signals, short flags) {
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : signals) sigaddset(&defaults, signal);
    sigset_t none;
    sigemptyset(&none);
    if (error_ == 0) error_ = posix_spawnattr_setsigdefault(&attributes_, &defaults);
    if (error_ == 0) error_ = posix_spawnattr_setsigmask(&attributes_, &none);
    if (error_ == 0)
        error_ = posix_spawnattr_setflags(&attributes_,
                                          static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | flags));
    return *this;
}

}  // namespace platform
