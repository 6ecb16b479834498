#pragma once

#include <functional>
#include <thread>

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

// Until the event loop reads them, the signals end the process at once, with status 0, from a
// thread of its own: a start may wait for seconds (on a display that is slow to answer, on a
// running agent that makes way), and nothing that needs an orderly end exists yet. The watch only
// looks at the signalfd; a signal that comes after it has stopped waits there for the event loop.
class TerminationDuringStart final {
public:
    // `descriptor` is TerminationSignals::block()'s, which this does not own.
    explicit TerminationDuringStart(int descriptor);
    ~TerminationDuringStart();
    TerminationDuringStart(const TerminationDuringStart&) = delete;
    TerminationDuringStart& operator=(const TerminationDuringStart&) = delete;

private:
    int stop_ = -1;  // an eventfd that ends the watch
    std::thread watch_;
};

}  // namespace quentrel
