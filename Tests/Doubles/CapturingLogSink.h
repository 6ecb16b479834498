#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "Platform/Log/Logger.h"

// Keeps every record written to it, for tests that check what was logged.
class CapturingLogSink final : public platform::LogSink {
public:
    void write(const platform::LogRecord& record) override {
        std::lock_guard lock(mutex_);
        records_.push_back(record);
    }
    std::vector<platform::LogRecord> records() const {
        std::lock_guard lock(mutex_);
        return records_;
    }
    std::vector<std::string> messages() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& r : records_) out.push_back(r.message);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<platform::LogRecord> records_;
};
