// KavrinetUI: the process that shows every window of the system. Only the agent starts it, with
// its standard input and output on two pipes, and it lives only while it shows something.
#include <csignal>
#include <memory>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>

#include "ObserverAppDelegate.h"
#include "ObserverUIClient.h"
#include "Platform/Desktop/QtMainQueue.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Quentrel/App/TerminationSignals.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "UILaunchCheck.h"

namespace {

constexpr const char* fallbackDomain = "local.mirosal.Kavrinet.UI";

struct PipeDescriptors {
    int input = -1;
    int output = -1;
};

// The channel gets close-on-exec copies of standard input and output, and 0 and 1 then point at
// /dev/null, so that nothing but the channel's frames (no library's stray print) reaches the agent.
// A descriptor that cannot be copied stays -1: the channel then ends at once, and with it the app.
PipeDescriptors takePipe() {
    PipeDescriptors pipe{::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3), ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3)};
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    return pipe;
}

void terminateApplication() { QCoreApplication::exit(0); }

}  // namespace

int main(int argc, char** argv) {
    using namespace quentrel;
    // Before anything else exists: a Qt application without a display would abort.
    if (const auto refusal = UILaunchCheck::checkProcess(argc, argv)) {
        if (!refusal->message.empty()) {
            [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, refusal->message.data(), refusal->message.size());
        }
        return refusal->status;
    }
    // A write to a pipe whose reader has gone fails with EPIPE, which ends the channel.
    std::signal(SIGPIPE, SIG_IGN);
    // The agent ends a UI app that it has told to stop with SIGTERM as well; either way the app
    // ends the normal way. Blocked before Qt starts a thread.
    const int terminationSignals = TerminationSignals::block();
    const PipeDescriptors pipe = takePipe();

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ObserverTheme::applyToApplication(application);
    ApplicationTermination::terminate = terminateApplication;
    std::unique_ptr<TerminationSignals> terminationWatch;
    if (terminationSignals >= 0)
        terminationWatch = std::make_unique<TerminationSignals>(terminationSignals, terminateApplication);

    const auto mainQueue = platform::QtMainQueue::make("main");
    ObserverUIClient::Environment environment;
    environment.mainQueue = mainQueue;
    environment.defaultsDomain = platform::mainBundle()->bundleIdentifier.value_or(fallbackDomain);
    environment.makeChannel = ObserverUIClient::pipeChannel(pipe.input, pipe.output, mainQueue);
    environment.makePresenter = [](std::shared_ptr<ObserverStore> store) -> std::shared_ptr<UIPresenter> {
        return std::make_shared<ObserverAppDelegate>(std::move(store));
    };
    environment.terminate = terminateApplication;

    auto client = ObserverUIClient::make(std::move(environment));
    client->applicationDidFinishLaunching();
    const int status = QApplication::exec();

    client->shutdown();
    client.reset();
    ObserverWindowPresenter::resetToDefaults();
    ApplicationTermination::terminate = ApplicationTermination::exitProcess;
    return status;
}
