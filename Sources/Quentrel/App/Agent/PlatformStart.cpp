#include "PlatformStart.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include <QApplication>
#include <QThread>

#include "Quentrel/App/DisplayCheck.h"

namespace quentrel {

namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

// Qt's messages while the application starts (from any thread), and where they go otherwise.
struct HeldMessages {
    std::mutex mutex;
    std::vector<HeldMessage> messages;
    QtMessageHandler passOn = nullptr;
};

HeldMessages& held() {
    static HeldMessages messages;
    return messages;
}

// A platform that does not start tells so as a warning or, with its system error, as a critical
// message. A fatal message goes on at once: the process ends right after the handler.
void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    HeldMessages& messages = held();
    if (type == QtFatalMsg) {
        messages.passOn(type, context, text);
        return;
    }
    std::lock_guard lock(messages.mutex);
    messages.messages.push_back({type, context.category ? context.category : "", text});
}

// What Qt 6.4 says when the display's connection ends, each time followed by the end of the
// process with status 1: the xcb platform from its event processing on the main thread (exit),
// the wayland platform from its event thread and from the main thread as it flushes its requests,
// whichever comes first (_exit, so no exit handler runs).
constexpr std::string_view kDisplayEndMessages[] = {
    "The X11 connection broke",
    "The Wayland connection broke",
    "The Wayland connection experienced a fatal error",
};
// How long a thread of Qt's that reported the end waits for the main thread to finish; past it,
// Qt's own end goes on (the main thread is stuck, and nothing would be finished anyway).
constexpr auto kFinishWait = std::chrono::seconds(10);

// The agent's finish, run once on the main thread, by the end of the event loop or of the display.
struct Finish {
    enum class State { pending, running, done };
    std::mutex mutex;
    std::condition_variable done;
    State state = State::pending;
    std::function<void()> steps;
    QtMessageHandler passOn = nullptr;
};

Finish& finishing() {
    static Finish finish;
    return finish;
}

Finish::State finishState() {
    std::lock_guard lock(finishing().mutex);
    return finishing().state;
}

// Main thread. Nothing when the finish has run or is running further up this thread's stack.
void finishOnce() {
    Finish& finish = finishing();
    {
        std::lock_guard lock(finish.mutex);
        if (finish.state != Finish::State::pending) return;
        finish.state = Finish::State::running;
    }
    if (finish.steps) finish.steps();
    {
        std::lock_guard lock(finish.mutex);
        finish.state = Finish::State::done;
    }
    finish.done.notify_all();
}

// The agent has finished; nothing else of the process (Qt's objects, which would talk to a display
// that is gone, and the static objects other threads still use) is torn down.
[[noreturn]] void endFinished() {
    std::fflush(nullptr);
    ::_exit(EXIT_SUCCESS);
}

bool onMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

// A message of another thread only hands the finish to the main thread: the store and the
// delegate belong there. That thread then waits, so that Qt does not end the process meanwhile.
void watchMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Finish& finish = finishing();
    finish.passOn(type, context, text);
    bool displayEnded = false;
    for (std::string_view start : kDisplayEndMessages)
        displayEnded = displayEnded || text.startsWith(QLatin1String(start.data(), qsizetype(start.size())));
    if (!displayEnded) return;
    if (onMainThread()) {
        finishOnce();
        if (finishState() == Finish::State::done) endFinished();
        return;
    }
    if (finishState() == Finish::State::pending) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                finishOnce();
                if (finishState() == Finish::State::done) endFinished();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock lock(finish.mutex);
    if (finish.done.wait_for(lock, kFinishWait, [&] { return finish.state == Finish::State::done; })) endFinished();
}

}  // namespace

PlatformStart::PlatformStart(int argc, char** argv) {
    const DisplayPlatform::Environment environment = DisplayPlatform::Environment::current();
    const DisplayPlatform::Reachable reachable = DisplayCheck::reachable(environment);
    const std::string fallback(DisplayPlatform::fallback);
    arguments_ = std::make_unique<DisplayPlatform::Arguments>(
        argc, argv, reachable.platforms.empty() ? fallback : reachable.platforms + ";" + fallback);

    held().passOn = qInstallMessageHandler(holdMessage);
    application_ = std::make_unique<QApplication>(arguments_->count(), arguments_->values());
    qInstallMessageHandler(held().passOn);
    std::vector<HeldMessage> messages;
    {
        std::lock_guard lock(held().mutex);
        messages = std::exchange(held().messages, {});
    }

    if (DisplayPlatform::fellBack(environment, QGuiApplication::platformName().toStdString())) {
        missingDisplay_ = DisplayPlatform::missingDisplay(environment, reachable.answers);
        return;
    }
    for (const HeldMessage& message : messages)
        held().passOn(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.c_str()), message.text);
}

PlatformStart::~PlatformStart() {
    if (finishing().passOn) qInstallMessageHandler(finishing().passOn);
}

void PlatformStart::finishWhenDisplayEnds(std::function<void()> finish) {
    finishing().steps = std::move(finish);
    // The handler that the start put back, known before the watch can see its first message.
    finishing().passOn = held().passOn;
    qInstallMessageHandler(watchMessage);
}

void PlatformStart::finish() { finishOnce(); }

}  // namespace quentrel
