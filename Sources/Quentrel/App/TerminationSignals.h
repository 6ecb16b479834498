#pragma once

#include <functional>

#include <QObject>
#include <QSocketNotifier>

namespace quentrel {

// SIGTERM, SIGINT and SIGHUP end the program (the agent or the UI app) through its normal
// termination, on the main thread: the signals are blocked in every thread and read from a
// signalfd by the event loop.
class TerminationSignals final : public QObject {
public:
    // Blocks the three signals in the calling thread, and so in every thread it starts later:
    // call it before any other thread exists. Returns the signalfd (close-on-exec), or -1.
    static int block();

    // Runs `terminate` on the main thread for each signal read from `descriptor`, which it owns.
    TerminationSignals(int descriptor, std::function<void()> terminate, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void readSignals();

    int descriptor_;
    std::function<void()> terminate_;
    QSocketNotifier notifier_;
};

}  // namespace quentrel
