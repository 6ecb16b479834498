#pragma once

namespace platform {

// Reads of the system that belong together, such as the captures of one metadata rebuild. While a
// batch lives, the thread that opened it may be answered from what it already read in the batch:
// the disks' descriptions and the registry's entries then share what they read of the device
// tree. Other threads, and the same thread after the batch, read afresh. A batch is ended on the
// thread that opened it.
class ReadBatch {
public:
    virtual ~ReadBatch() = default;
};

}  // namespace platform
