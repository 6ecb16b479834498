#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class LogLevel { debug, info, notice, error, fault };

struct LogRecord {
    std::string subsystem;
    std::string category;
    LogLevel level;
    std::string message;
};

// Where log records go: the system log in the programs, a capture in tests.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogRecord& record) = 0;  // called from any thread
};

// The system log: syslog (which journald collects) when /dev/log exists, else standard error.
std::shared_ptr<LogSink> systemLogSink();

// The sink of loggers made without one; the system log until a program or test replaces it.
// Both stay usable until the process ends, also from exit handlers: they are never destroyed.
std::shared_ptr<LogSink> defaultLogSink();
void setDefaultLogSink(std::shared_ptr<LogSink> sink);

// A log handle with a subsystem (the bundle identifier) and a category ("Observation", ...).
// Messages arrive rendered; every argument is public.
class Logger {
public:
    Logger(std::string subsystem, std::string category, std::shared_ptr<LogSink> sink = nullptr);

    void log(LogLevel level, std::string_view message) const;
    void debug(std::string_view message) const { log(LogLevel::debug, message); }
    void info(std::string_view message) const { log(LogLevel::info, message); }
    void notice(std::string_view message) const { log(LogLevel::notice, message); }
    void error(std::string_view message) const { log(LogLevel::error, message); }

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

private:
    std::string subsystem_;
    std::string category_;
    std::shared_ptr<LogSink> sink_;  // null: the default sink at the time of each message
};

}  // namespace platform
