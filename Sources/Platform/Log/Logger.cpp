#include "Logger.h"

#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

int syslogPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return LOG_DEBUG;
    case LogLevel::info: return LOG_INFO;
    case LogLevel::notice: return LOG_NOTICE;
    case LogLevel::error: return LOG_ERR;
    case LogLevel::fault: return LOG_CRIT;
    }
    return LOG_INFO;
}

const char* levelName(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return "debug";
    case LogLevel::info: return "info";
    case LogLevel::notice: return "notice";
    case LogLevel::error: return "error";
    case LogLevel::fault: return "fault";
    }
    return "info";
}

class SyslogSink final : public LogSink {
public:
    void write(const LogRecord& r) override {
        syslog(syslogPriority(r.level), "[%s:%s] %s", r.subsystem.c_str(), r.category.c_str(), r.message.c_str());
    }
};

class StderrSink final : public LogSink {
public:
    void write(const LogRecord& r) override {
        std::lock_guard lock(mutex_);
        std::fprintf(stderr, "%s [%s:%s] %s\n", levelName(r.level), r.subsystem.c_str(), r.category.c_str(),
                     r.message.c_str());
    }

private:
    std::mutex mutex_;
};

// The default sink's slot. Made once and never destroyed: what is written while the exit handlers
// run (a destructor's last write that fails) still finds it.
struct DefaultSlot {
    std::mutex mutex;
    std::shared_ptr<LogSink> sink;
};

DefaultSlot& defaultSlot() {
    static DefaultSlot* const slot = new DefaultSlot;
    return *slot;
}

}  // namespace

std::shared_ptr<LogSink> systemLogSink() {
    // Never destroyed, as the default slot.
    static const std::shared_ptr<LogSink>* const sink = new std::shared_ptr<LogSink>([]() -> std::shared_ptr<LogSink> {
        if (access("/dev/log", W_OK) == 0) return std::make_shared<SyslogSink>();
        return std::make_shared<StderrSink>();
    }());
    return *sink;
}

std::shared_ptr<LogSink> defaultLogSink() {
    DefaultSlot& slot = defaultSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.sink) slot.sink = systemLogSink();
    return slot.sink;
}

void setDefaultLogSink(std::shared_ptr<LogSink> sink) {
    DefaultSlot& slot = defaultSlot();
    std::lock_guard lock(slot.mutex);
    slot.sink = std::move(sink);
}

Logger::Logger(std::string subsystem, std::string category, std::shared_ptr<LogSink> sink)
    : subsystem_(std::move(subsystem)), category_(std::move(category)), sink_(std::move(sink)) {}

void Logger::log(LogLevel level, std::string_view message) const {
    LogRecord record{subsystem_, category_, level, std::string(message)};
    if (sink_)
        sink_->write(record);
    else
        defaultLogSink()->write(record);
}

}  // namespace platform
