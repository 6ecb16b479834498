// KavrinetUI: the process that shows every window of the system. Only the agent starts it, with
// its standard input and output on two pipes, and it lives only while it shows something.
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include <QApplication>

#include "ObserverAppDelegate.h"
#include "ObserverUIClient.h"
#include "Platform/Desktop/DesktopLogging.h"
#include "Platform/Desktop/Qt/QtDesktopIdentity.h"
#include "Platform/Desktop/Qt/QtMainQueue.h"
#include "Platform/Desktop/Qt/QtTranslations.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Quentrel/App/DisplayCheck.h"
#include "Quentrel/App/TerminationSignals.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Support/DisplayPlatform.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/FocusArrival.h"
#include "Quentrel/Views/Controls/FocusDeparture.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "UILaunchCheck.h"
#include "UIPipeDescriptors.h"

namespace {

constexpr const char* fallbackDomain = "local.mirosal.Kavrinet.UI";
// What a window or box without a title of its own is titled.
constexpr const char* productName = "Kavrinet";
// The exit status of a start without a display that answers (sysexits' EX_UNAVAILABLE).
constexpr int noDisplayStatus = 69;

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
    const UIPipeDescriptors pipe = UIPipeDescriptors::take(STDIN_FILENO, STDOUT_FILENO);
    if (pipe.failedStep) {
        platform::desktopLogger(std::string(ObserverAppDelegate::logCategory))
            .error(std::string("cannot set up the pipe to the agent: ") + pipe.failedStep + ": " +
                   std::strerror(pipe.error));
        return UIPipeDescriptors::setupFailureStatus;
    }

    // The agent's platform: the same rule and check on the same environment, which the agent
    // passes on unchanged; Qt gets the list as its argument, so the environment stays as it was.
    const auto display = DisplayPlatform::Environment::current();
    const DisplayPlatform::Reachable reachable = DisplayCheck::reachable(display);
    if (reachable.platforms.empty()) {
        platform::desktopLogger(std::string(ObserverAppDelegate::logCategory))
            .error("no display (" + DisplayPlatform::missingDisplay(display, reachable.answers) + ")");
        return noDisplayStatus;
    }
    DisplayPlatform::Arguments arguments(argc, argv, reachable.platforms);
    QApplication application(arguments.count(), arguments.values());
    QApplication::setQuitOnLastWindowClosed(false);
    // The application's name, which is also its display name: set as the display name, Qt would
    // append it to every window's own title on X11 ("Kavrinet 설정 — Kavrinet").
    QApplication::setApplicationName(QString::fromUtf8(productName));
    platform::applyDesktopIdentity();
    platform::installQtTranslations(application);
    ObserverTheme::applyToApplication(application);
    installObserverAccessibility();
    FocusArrival::install();
    FocusDeparture::install();
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
