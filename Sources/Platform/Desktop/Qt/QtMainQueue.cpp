#include "QtMainQueue.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>

#include "Platform/Desktop/DesktopLogging.h"
#include "Platform/Dispatch/DelayedWork.h"
#include "Platform/Foundation/Clocks.h"

namespace platform {

namespace {

// The queue whose work the calling thread runs, or null.
thread_local const QtMainQueue::State* currentQueue = nullptr;

const QEvent::Type kDrainEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

[[noreturn]] void fail(const char* message, const std::string& label) {
    std::fprintf(stderr, "main queue \"%s\": %s\n", label.c_str(), message);
    std::abort();
}

// Receives the drain events and the timer's readiness on the event loop's thread.
class Dispatcher final : public QObject {
public:
    Dispatcher(std::shared_ptr<QtMainQueue::State> state, int timer);
    bool event(QEvent* event) override;
    // Times the earliest delayed work when the timerfd cannot be set.
    void startFallback(int milliseconds) { fallback_.start(milliseconds); }

private:
    std::shared_ptr<QtMainQueue::State> state_;  // outlives this object: the timer fd lives there
    QSocketNotifier notifier_;
    QTimer fallback_;
};

}  // namespace

struct QtMainQueue::State {
    State(std::string name, Options opts, Logger log)
        : label(std::move(name)), options(std::move(opts)), logger(std::move(log)) {
        if (!options.setTimer)
            options.setTimer = [](int fd, int flags, const itimerspec* value) {
                return ::timerfd_settime(fd, flags, value, nullptr);
            };
    }
    ~State() {
        if (timer >= 0) ::close(timer);
    }

    const std::string label;
    Options options;
    const Logger logger;
    bool timerFailing = false;  // the last setting of the timer failed (and was logged)
    std::mutex mutex;
    std::deque<std::function<void()>> ready;
    DelayedWork<double> delayed;  // deadlines in seconds of CLOCK_BOOTTIME
    bool drainPosted = false;
    bool closed = false;
    Dispatcher* dispatcher = nullptr;  // set once; cleared (under both mutexes) when the queue closes
    // Held while another thread posts to the dispatcher, which therefore cannot go meanwhile.
    std::mutex postMutex;
    int timer = -1;                    // CLOCK_BOOTTIME timerfd
    bool running = false;              // event loop thread only: one of our items is running

    // With mutex held.
    void postDrain() {
        if (claimDrain()) QCoreApplication::postEvent(dispatcher, new QEvent(kDrainEvent));
    }

    // With mutex held: whether the caller is to post the drain event (then it counts as posted).
    bool claimDrain() {
        if (drainPosted || closed || dispatcher == nullptr) return false;
        drainPosted = true;
        return true;
    }

    // Without mutex: posts the drain event that claimDrain() gave to the caller. The event wakes
    // the loop's thread, which takes the mutex first thing; posted under it, the woken thread
    // would find it still held and sleep once more.
    void postClaimedDrain() {
        std::lock_guard lock(postMutex);
        if (dispatcher != nullptr) QCoreApplication::postEvent(dispatcher, new QEvent(kDrainEvent));
    }

    // With mutex held: the timer goes off at the earliest deadline, or not at all.
    void arm() {
        itimerspec spec{};
        if (!delayed.empty()) {
            // Rounded up, so that the clock has reached the deadline when the timer goes off.
            const double deadline = delayed.earliest();
            double whole = std::floor(deadline);
            auto nanoseconds = static_cast<long>(std::ceil((deadline - whole) * 1e9));
            if (nanoseconds >= 1000000000L) {
                whole += 1;
                nanoseconds -= 1000000000L;
            }
            spec.it_value.tv_sec = static_cast<time_t>(whole);
            spec.it_value.tv_nsec = nanoseconds;
            if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0) spec.it_value.tv_nsec = 1;  // 0 disarms
        }
        if (options.setTimer(timer, TFD_TIMER_ABSTIME, &spec) == 0) {
            timerFailing = false;
            return;
        }
        const int error = errno;
        if (!std::exchange(timerFailing, true))
            logger.error("The main queue's timer could not be set: " + std::system_category().message(error) +
                         "; delayed work is timed by the event loop instead");
        if (delayed.empty() || dispatcher == nullptr) return;
        // A spurious expiry of a timer that could not be disarmed finds nothing due: harmless.
        const double milliseconds = std::ceil((delayed.earliest() - systemContinuousTime()) * 1000);
        const int pause = static_cast<int>(std::clamp(milliseconds, 0.0, double(INT_MAX)));
        QMetaObject::invokeMethod(dispatcher, [dispatcher = dispatcher, pause] { dispatcher->startFallback(pause); },
                                  Qt::QueuedConnection);
    }

    // With mutex held: due items join the ready list in deadline order; cancelled ones on top go.
    void promoteDue() {
        delayed.moveDue(systemContinuousTime(), ready);
        arm();
    }

    void timerFired() {
        std::uint64_t expirations = 0;
        while (::read(timer, &expirations, sizeof expirations) < 0 && errno == EINTR) {
        }
        {
            std::lock_guard lock(mutex);
            promoteDue();
            postDrain();
        }
    }

    // Runs what was ready when it started; later work waits for the next turn of the event loop,
    // so that the loop's own events are not starved.
    void drain() {
        std::size_t budget = 0;
        {
            std::lock_guard lock(mutex);
            drainPosted = false;
            // A nested event loop inside one of our items: the outer drain posts again when done.
            if (running) return;
            promoteDue();
            budget = ready.size();
        }
        while (budget-- > 0) {
            std::function<void()> work;
            {
                std::lock_guard lock(mutex);
                if (closed || ready.empty()) break;
                work = std::move(ready.front());
                ready.pop_front();
            }
            struct Running {
                State& state;
                const State* outer = currentQueue;
                explicit Running(State& s) : state(s) {
                    state.running = true;
                    currentQueue = &state;
                }
                ~Running() {
                    state.running = false;
                    currentQueue = outer;
                }
            } current(*this);
            work();
            work = nullptr;  // its captures go while the item still counts as running
        }
        std::lock_guard lock(mutex);
        if (!ready.empty()) postDrain();
    }
};

Dispatcher::Dispatcher(std::shared_ptr<QtMainQueue::State> state, int timer)
    : state_(std::move(state)), notifier_(timer, QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, this, [this] { state_->timerFired(); });
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&fallback_, &QTimer::timeout, this, [this] { state_->timerFired(); });
}

bool Dispatcher::event(QEvent* event) {
    if (event->type() != kDrainEvent) return QObject::event(event);
    state_->drain();
    return true;
}

std::shared_ptr<QtMainQueue> QtMainQueue::make(std::string label, Options options, Logger logger) {
    return std::make_shared<QtMainQueue>(std::move(label), std::move(options), std::move(logger));
}

std::shared_ptr<QtMainQueue> QtMainQueue::make(std::string label) {
    return make(std::move(label), Options{}, desktopLogger("MainQueue"));
}

QtMainQueue::QtMainQueue(std::string label, Options options, Logger logger)
    : state_(std::make_shared<State>(std::move(label), std::move(options), std::move(logger))) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) fail("made before the QCoreApplication", state_->label);
    if (QThread::currentThread() != application->thread()) fail("made off the event loop's thread", state_->label);
    state_->timer = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (state_->timer < 0) fail("no CLOCK_BOOTTIME timer", state_->label);
    state_->dispatcher = new Dispatcher(state_, state_->timer);
}

QtMainQueue::~QtMainQueue() {
    std::deque<std::function<void()>> dropped;
    DelayedWork<double> droppedDelayed;
    Dispatcher* dispatcher = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        std::lock_guard posting(state_->postMutex);
        state_->closed = true;
        dropped.swap(state_->ready);
        droppedDelayed = state_->delayed.takeAll();
        std::swap(dispatcher, state_->dispatcher);
    }
    // Deleted at once unless that would pull it from under its own event handler or another thread.
    if (QThread::currentThread() == dispatcher->thread() && !state_->running)
        delete dispatcher;
    else
        dispatcher->deleteLater();
}

const std::string& QtMainQueue::label() const {
    return state_->label;
}

void QtMainQueue::async(std::function<void()> work) {
    if (!work) return;
    bool post = false;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->closed) return;
        state_->ready.push_back(std::move(work));
        post = state_->claimDrain();
    }
    if (post) state_->postClaimedDrain();
}

void QtMainQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    const double delay = effectiveDelay(seconds);
    if (!item || delay == std::numeric_limits<double>::infinity()) return;
    const double deadline = systemContinuousTime() + delay;
    std::lock_guard lock(state_->mutex);
    if (state_->closed) return;
    if (state_->delayed.add(deadline, std::move(item))) state_->arm();
}

void QtMainQueue::sync(std::function<void()> work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread())
        fail("sync() called on the event loop's thread; this would deadlock", state_->label);
    submitAndWait([this](std::function<void()> item) { async(std::move(item)); }, work);
}

bool QtMainQueue::isCurrent() const {
    return currentQueue == state_.get();
}

double QtMainQueue::now() const {
    return systemContinuousTime();
}

}  // namespace platform
