#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "MountInfo.h"
#include "Platform/Disks/ReadBatch.h"
#include "SysfsTree.h"

namespace platform {

// What one thread read of sysfs and the mount table while a batch was open there. The captures of
// one metadata rebuild pass the same device directories again and again (every partition of a
// drive, and every walk of one capture, climbs the same ancestors), so within the batch each
// file, link, status and listing is read once. The per-sample statistics are never kept here.
class SysfsReadBatch final : public ReadBatch {
public:
    // A batch on the calling thread; null when one is open there already (it goes on).
    static std::unique_ptr<ReadBatch> open();
    ~SysfsReadBatch() override;
    SysfsReadBatch(const SysfsReadBatch&) = delete;
    SysfsReadBatch& operator=(const SysfsReadBatch&) = delete;

    // The target of a symbolic link, or the errno of readlink (EINVAL: not a link).
    struct Link {
        std::optional<std::string> target;
        int error = 0;
    };

    template <class Result>
    using Table = std::unordered_map<std::string, Result>;
    Table<SysfsTree::FileRead> texts;
    Table<Link> links;
    Table<bool> present;      // lstat succeeded
    Table<bool> directories;  // stat succeeded on a directory
    Table<std::vector<std::string>> listings;
    Table<std::optional<std::string>> canonicals;
    Table<std::optional<std::vector<MountEntry>>> mountTables;

    // `read()`, or its result kept under `key` in `table` of the batch open on this thread.
    template <class Result, class Read>
    static Result remembered(Table<Result> SysfsReadBatch::*table, const std::string& key, Read&& read) {
        SysfsReadBatch* batch = current_;
        if (!batch) return read();
        auto& kept = batch->*table;
        if (auto it = kept.find(key); it != kept.end()) return it->second;
        return kept.emplace(key, read()).first->second;
    }

private:
    SysfsReadBatch() = default;

    static thread_local SysfsReadBatch* current_;
};

}  // namespace platform
