#include "SysfsReadBatch.h"

namespace platform {

thread_local SysfsReadBatch* SysfsReadBatch::current_ = nullptr;

std::unique_ptr<ReadBatch> SysfsReadBatch::open() {
    if (current_) return nullptr;
    std::unique_ptr<SysfsReadBatch> batch(new SysfsReadBatch);
    current_ = batch.get();
    return batch;
}

SysfsReadBatch::~SysfsReadBatch() {
    if (current_ == this) current_ = nullptr;
}

}  // namespace platform
