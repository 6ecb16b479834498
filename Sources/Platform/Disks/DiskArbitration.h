#pragma once

#include <memory>

#include "DiskSession.h"
#include "ReadBatch.h"
#include "Registry.h"

namespace platform {

// The disk service and the registry its disks' media entries belong to.
class DiskArbitration {
public:
    virtual ~DiskArbitration() = default;

    // Null when no session can be opened. All fallible set-up happens here, so a session that
    // exists can report disks.
    virtual DiskSessionPtr createSession() = 0;
    virtual std::shared_ptr<Registry> registry() = 0;
    // Opens a batch of reads on the calling thread (see ReadBatch); null where reads are not
    // shared. Within a batch already open on the thread, the new one changes nothing.
    virtual std::unique_ptr<ReadBatch> beginReadBatch() { return nullptr; }

    // The process-wide service: the Linux backend on the real system unless replaced.
    static std::shared_ptr<DiskArbitration> shared();
    static void setShared(std::shared_ptr<DiskArbitration> arbitration);
};

}  // namespace platform
