#include "ProductMain.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "ApplicationInstance.h"
#include "ObserverBackgroundDelegate.h"
#include "Platform/Desktop/DBus/DesktopFileBrowser.h"
#include "Platform/Desktop/DBus/FreedesktopNotifications.h"
#include "Platform/Desktop/DBus/LogindPowerEvents.h"
#include "Platform/Desktop/DesktopLogging.h"
#include "Platform/Desktop/Qt/QtDesktopIdentity.h"
#include "Platform/Desktop/Qt/QtMainQueue.h"
#include "Platform/Desktop/Qt/QtPasteboard.h"
#include "Platform/Desktop/Qt/QtSavePanel.h"
#include "Platform/Desktop/Qt/QtTranslations.h"
#include "Platform/Desktop/Xdg/XdgAutostartLoginItem.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/LaunchEvent.h"
#include "Platform/Foundation/PlistDefaultsDatabase.h"
#include "PlatformStart.h"
#include "PosixUIProcessSpawner.h"
#include "Quentrel/App/TerminationSignals.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/ProductArguments.h"
#include "Quentrel/Views/Controls/AlertTextWidth.h"
#include "TrayStatusItem.h"
#include "UISessionChannel.h"
#include "Wendmark/DiskInventory.h"

namespace quentrel {

namespace {

constexpr char kLaunchFailureAlert[] = "launch-failure-alert";

// A closed standard descriptor would be reused by the next open file, which a child (or a
// stray write to stderr) would then treat as its standard stream.
void keepStandardDescriptorsOpen() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

void writeToStandardError(std::string_view text) {
    while (::write(STDERR_FILENO, text.data(), text.size()) < 0 && errno == EINTR) {
    }
}

std::optional<ScreenRect> mainScreenVisibleFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    const QRect frame = screen->availableGeometry();
    return QuickViewAnchor::fromTopLeftOrigin(
        {double(frame.x()), double(frame.y()), double(frame.width()), double(frame.height())},
        screen->geometry().height());
}

// Application-modal, but without a nested event loop: observation and the main queue go on while
// it is shown, and the answer is not needed.
void showLaunchFailureAlert() {
    auto* alert = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(ProductMain::applicationName),
                                  QString::fromUtf8(ObserverBackgroundDelegate::launchFailureMessage),
                                  QMessageBox::Ok);
    alert->setInformativeText(QString::fromUtf8(ObserverBackgroundDelegate::launchFailureInformativeText));
    alert->setDefaultButton(QMessageBox::Ok);
    AlertTextWidth::fit(*alert);
    alert->setObjectName(QLatin1String(kLaunchFailureAlert));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::ApplicationModal);
    alert->show();
}

// A start that asked the running agent to activate has made nothing that needs an orderly end,
// and tearing the application down would cost more than the whole request (Qt reads the entire
// font configuration only to release it): the process ends at once.
[[noreturn]] void endActivatingStart() {
    std::fflush(nullptr);
    ::_exit(EXIT_SUCCESS);
}

// The line on standard error when there is no display to show the status item on, with why
// (PlatformStart::missingDisplay, e.g. "DISPLAY=:1 cannot be reached") and what this start does.
void writeNoDisplayLine(std::string_view reason, ApplicationInstance::Role role) {
    const std::string_view outcome = role == ApplicationInstance::Role::activated
                                         ? "the running agent was asked to show its window"
                                         : "observing without a status item";
    writeToStandardError(std::string(ProductMain::applicationName) + ": no display (" + std::string(reason) +
                         "); " + std::string(outcome) + "\n");
}

// The agent's run between its claim and the end of its event loop.
int run(QApplication& application, PlatformStart& start, ApplicationInstance* instance,
        const std::shared_ptr<std::weak_ptr<ObserverBackgroundDelegate>>& reopenTarget,
        const wendmark::ObservationInventory::Factory& testInventory) {
    const std::shared_ptr<const platform::BundleInfo> bundle = platform::mainBundle();
    const std::shared_ptr<platform::QtMainQueue> mainQueue =
        platform::QtMainQueue::make(std::string(ProductMain::mainQueueLabel));
    ObserverStoreServices services;
    services.mainQueue = mainQueue;
    services.notifications = platform::FreedesktopNotifications::make(mainQueue);
    services.loginItems = platform::XdgAutostartLoginItem::forMainBundle();
    services.powerEvents = platform::LogindPowerEvents::make(mainQueue);
    services.bundle = bundle;
    services.pasteboard = std::make_shared<platform::QtPasteboard>();
    services.savePanels = std::make_shared<platform::QtSavePanels>();
    services.fileBrowser = std::make_shared<platform::DesktopFileBrowser>(mainQueue);

    // The inventory's queue, to be drained once the store has stopped it.
    auto inventoryQueue = std::make_shared<platform::SerialQueuePtr>();
    wendmark::ObservationInventory::Factory inventoryFactory = [inventoryQueue](auto handler) {
        auto inventory = wendmark::DiskInventory::make(std::move(handler));
        *inventoryQueue = inventory->queue();
        return inventory;
    };
    // The standard database lives as long as the process; the store only borrows it.
    std::shared_ptr<platform::DefaultsDatabase> preferences(std::shared_ptr<void>(),
                                                            &platform::PlistDefaultsDatabase::standard());
    std::shared_ptr<ObserverStore> store = ObserverStore::make({
        .preferences = preferences,
        .usesSystemServices = true,
        .inventoryFactory = testInventory ? testInventory : std::move(inventoryFactory),
        .services = services,
    });

    ObserverBackgroundDelegate::Environment environment;
    environment.store = store;
    environment.mainQueue = mainQueue;
    environment.spawner = std::make_shared<PosixUIProcessSpawner>(mainQueue);
    environment.makeChannel = pipeChannelFactory(mainQueue);
    environment.hasDisplay = !start.missingDisplay();
    environment.log = platform::desktopLogger(std::string(ObserverBackgroundDelegate::logCategory));
    if (bundle->bundlePath) environment.uiExecutable = ObserverBackgroundDelegate::uiExecutable(*bundle->bundlePath);
    environment.makeStatusItem = [](AgentStatusItem::Events events) -> std::unique_ptr<AgentStatusItem> {
        return std::make_unique<TrayStatusItem>(std::move(events), platform::desktopLogger("StatusItem"));
    };
    environment.mainScreenVisibleFrame = mainScreenVisibleFrame;
    environment.showLaunchFailure = showLaunchFailureAlert;
    std::shared_ptr<ObserverBackgroundDelegate> delegate = ObserverBackgroundDelegate::make(std::move(environment));
    *reopenTarget = delegate;

    delegate->applicationDidFinishLaunching();
    // The termination steps, after the event loop or when the display has ended.
    start.finishWhenDisplayEnds([&delegate, inventoryQueue] {
        delegate->applicationWillTerminate();
        if (*inventoryQueue) (*inventoryQueue)->sync([] {});
    });
    application.exec();

    start.finish();
    // A start that this agent made way for finds the name free once the files are written.
    if (instance) instance->release();
    ApplicationTermination::terminate = ApplicationTermination::exitProcess;
    ObserverWindowPresenter::resetToDefaults();
    delegate.reset();
    store.reset();
    // An alert still open has no owner but itself.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(kLaunchFailureAlert)) delete widget;
    return EXIT_SUCCESS;
}

}  // namespace

int ProductMain::main(int argc, char** argv) { return main(argc, argv, {}); }

int ProductMain::main(int argc, char** argv, const wendmark::ObservationInventory::Factory& inventory) {
    if (!ProductArguments::acceptsCommandLine(argc, argv)) {
        const std::string_view message = ProductArguments::rejectionMessage;
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message.data(), message.size());
        return ProductArguments::rejectionExitStatus;
    }
    // Taken before any thread starts: removing a variable races with readers on other threads.
    platform::currentLaunchEvent();
    keepStandardDescriptorsOpen();
    std::signal(SIGPIPE, SIG_IGN);
    const int terminationSignals = TerminationSignals::block();
    // Until the event loop reads them, the signals end the start at once.
    auto duringStart =
        terminationSignals >= 0 ? std::make_unique<TerminationDuringStart>(terminationSignals) : nullptr;
    // Qt would abort without a display for its platform; the agent observes without one.
    PlatformStart start(argc, argv);
    QApplication& application = start.application();
    // Also the display name of untitled boxes; set as the display name, Qt would append it to the
    // save dialog's own title on X11.
    QApplication::setApplicationName(QString::fromUtf8(applicationName));
    platform::applyDesktopIdentity();
    application.setQuitOnLastWindowClosed(false);
    platform::installQtTranslations(application);

    const QString identifier = QString::fromStdString(
        platform::mainBundle()->bundleIdentifier.value_or(std::string(ProductMain::fallbackBundleIdentifier)));
    // Filled in once the delegate exists; an activation before that finds nothing to do.
    auto reopenTarget = std::make_shared<std::weak_ptr<ObserverBackgroundDelegate>>();
    const ApplicationInstance::Claim claim = ApplicationInstance::claim(
        identifier, !start.missingDisplay(),
        [reopenTarget] {
            if (auto delegate = reopenTarget->lock()) delegate->applicationShouldHandleReopen(false);
        },
        [] { ApplicationTermination::terminate(); }, &application);
    if (start.missingDisplay()) writeNoDisplayLine(*start.missingDisplay(), claim.role);
    if (claim.role == ApplicationInstance::Role::activated) endActivatingStart();

    // Quitting ends the event loop; the termination steps follow it.
    ApplicationTermination::terminate = [] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    };
    duringStart.reset();
    std::unique_ptr<TerminationSignals> terminationWatch;
    if (terminationSignals >= 0)
        terminationWatch =
            std::make_unique<TerminationSignals>(terminationSignals, [] { ApplicationTermination::terminate(); });
    return run(application, start, claim.instance, reopenTarget, inventory);
}

}  // namespace quentrel
