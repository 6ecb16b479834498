#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "StoreHarness.h"
#include "Support/JSONTree.h"

using namespace storetest;
using platform::Date;
using quentrel::ObserverWindowPresenter;
using quentrel::ProductDiagnosticReport;
using wendmark::DeviceSnapshot;

namespace {

const Date t0{kStoreStart};
const DeviceSnapshot drive = device("driver:1", t0, {volume("sdb1", true, "U-1")});

// Records the windows the store asks for; puts the hooks back afterwards.
struct ShownWindows {
    std::vector<std::string> ids;
    ShownWindows() {
        ObserverWindowPresenter::show = [this](const std::string& id) { ids.push_back(id); };
    }
    ~ShownWindows() { ObserverWindowPresenter::resetToDefaults(); }
};

testjson::Tree runtimeOf(const platform::Data& report) {
    return testjson::Tree::parse(std::string(report.begin(), report.end())).at("runtime");
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A folder of its own for each test, removed afterwards.
struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("store-diagnostics-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() { std::filesystem::remove_all(path); }
};

}  // namespace

TEST(ObserverStoreDiagnostics, theRuntimeRecordOfAFreshStoreLeavesEveryOptionalOut) {
    StoreHarness h;
    h.build();
    ProductDiagnosticReport::Runtime expected;
    expected.samplingIntervalSeconds = 30;
    expected.historyReferenceDate = t0;
    expected.eventHistoryOnInternalStorage = true;
    expected.sessionStorageAvailable = true;
    expected.observationPublicationCount = 2;
    expected.connectionState = "waiting";
    const platform::Data report = previewedReport(*h.store);
    EXPECT_EQ(runtimeRecord(report), expected);
    EXPECT_EQ(runtimeOf(report).size(), 30u);
}

TEST(ObserverStoreDiagnostics, theRuntimeRecordReadsEachValueFromTheStoreAndItsServices) {
    StoreHarness h;
    h.loginItems->currentStatus = platform::LoginItemRegistry::enabled;
    rememberInDefaults(*h.defaults, targetOf(drive));
    h.started();
    h.deliver(snapshot({drive}, h.now(), ++h.revision));
    h.show();
    h.show(2);
    const Date resumed = h.now();
    h.tick({drive});
    h.tick({drive}, 1, 4096, 512);
    h.store->completeOnboarding();
    h.store->setOnDemandUIEnabled(true);
    h.store->recordUIProcessLaunch(h.now());
    h.store->setUIProcessID(4242);
    // Settings written behind the store's back are read afresh.
    h.defaults->set(std::int64_t{7}, "productSettingsSchemaVersion");
    h.eventWrites->failing = true;
    h.store->setBackgroundPolling(false);  // an event whose write fails
    h.time->advance(1);

    ObserverStore& s = *h.store;
    const auto& session = *s.currentSession();
    const auto& stability = s.connectionStability();
    const std::uint64_t publications = s.publicationCount();
    const platform::Data report = previewedReport(s);
    const ProductDiagnosticReport::Runtime r = runtimeRecord(report);
    EXPECT_TRUE(r.samplingEnabled);
    EXPECT_EQ(r.samplingIntervalSeconds, 1.0);
    EXPECT_EQ(r.visibleSurfaceCount, 2);
    EXPECT_TRUE(r.loginItemRegistered);
    EXPECT_TRUE(r.targetRemembered);
    EXPECT_EQ(r.settingsSchemaVersion, 7);
    EXPECT_TRUE(r.onboardingCompleted);
    EXPECT_EQ(r.activityHistorySamples, s.activityHistory().retainedSampleCount());
    EXPECT_GE(r.activityHistorySamples, 2);
    EXPECT_EQ(r.activityHistoryDevices, 1);
    EXPECT_EQ(r.selectedHistoryIntervals, static_cast<std::int64_t>(s.selectedIntervals().size()));
    EXPECT_GE(r.selectedHistoryIntervals, 2);
    EXPECT_EQ(r.historyReferenceDate, s.historyReferenceDate());
    EXPECT_FALSE(r.eventHistoryOnInternalStorage);
    EXPECT_EQ(r.lastSamplingResumedAt, resumed);
    EXPECT_EQ(r.queryCountBeforeLastResume, 7u);
    EXPECT_EQ(r.updateState, s.updates()->state());
    EXPECT_EQ(r.updateCheckAvailable, s.updates()->canCheckForUpdates());
    EXPECT_EQ(r.automaticUpdateChecks, s.updates()->automaticallyChecksForUpdates());
    EXPECT_FALSE(r.connectionNotificationsEnabled);
    EXPECT_EQ(r.sessionCount, 1);  // the running session alone
    EXPECT_EQ(r.currentSessionReadBytes, session.bytesRead);
    EXPECT_EQ(r.currentSessionReadBytes, 4096u);
    EXPECT_EQ(r.currentSessionWriteBytes, 512u);
    EXPECT_EQ(r.currentSessionObservedSeconds, session.observedSeconds);
    EXPECT_EQ(r.currentSessionElapsedSeconds, session.elapsedSeconds);
    EXPECT_TRUE(r.sessionStorageAvailable);
    EXPECT_EQ(r.observationPublicationCount, publications);
    EXPECT_EQ(r.connectionState, "connected");
    EXPECT_EQ(r.connectionLossCount, stability.lossCount());
    EXPECT_EQ(r.connectionRecoveryCount, stability.recoveryCount());
    EXPECT_EQ(r.connectionIdentityChangeCount, stability.identityChangeCount());
    EXPECT_EQ(r.connectionConfirmedGapSeconds, stability.confirmedGapSeconds());
    EXPECT_EQ(r.connectionRetainedChanges, static_cast<std::int64_t>(stability.changes().size()));
    EXPECT_EQ(r.trackedClosedUISurfaces + r.retainedClosedUIControllers + r.retainedClosedUIViews, 0);
    EXPECT_TRUE(r.onDemandUIEnabled);
    EXPECT_EQ(r.uiProcessLaunchCount, 1);
    EXPECT_EQ(r.lastUIProcessStartedAt, s.lastUIProcessStartedAt());
    EXPECT_EQ(r.uiProcessID, 4242);
    EXPECT_EQ(runtimeOf(report).size(), 38u);
}

TEST(ObserverStoreDiagnostics, theExportCountsAsPausedWheneverSamplingIsOff) {
    struct Case {
        const char* name;
        std::function<void(StoreHarness&)> act;
        bool paused;
    } cases[] = {
        {"a window is visible", [](StoreHarness& h) { h.show(); }, false},
        {"background polling", [](StoreHarness& h) { h.store->setBackgroundPolling(true); }, false},
        {"no window", [](StoreHarness&) {}, true},
        {"paused by the user",
         [](StoreHarness& h) {
             h.show();
             h.store->setPaused(true);
         },
         true},
        {"asleep",
         [](StoreHarness& h) {
             h.show();
             h.store->handleSystemSleep();
         },
         true},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.started();
        c.act(h);
        const platform::Data report = previewedReport(*h.store);
        EXPECT_EQ(testjson::Tree::parse(std::string(report.begin(), report.end())).at("paused"), c.paused) << c.name;
    }
}

TEST(ObserverStoreDiagnostics, preparingKeepsTheBytesAndOpensThePreviewOrDropsTheOldOne) {
    ShownWindows shown;
    StoreHarness h;
    h.started();
    h.store->revealSelectedVolume();  // an error line to clear
    h.store->prepareDiagnostics();
    ASSERT_TRUE(h.store->diagnosticPreview());
    EXPECT_EQ(h.store->diagnosticPreview()->createdAt, h.now());
    // The report of the store as it stood: its snapshot, sampling, events and runtime record, now.
    const platform::Data& bytes = h.store->diagnosticPreview()->data;
    EXPECT_EQ(bytes, ProductDiagnosticReport::data(h.store->snapshot(), !h.store->sampling().enabled,
                                                   h.store->history(), runtimeRecord(bytes), h.now()));
    EXPECT_FALSE(h.store->errorMessage());
    EXPECT_EQ(shown.ids, std::vector<std::string>{"diagnostic-preview"});

    // A report that cannot be encoded (the graph's window ends at a date that is no number): no
    // preview and no window.
    h.deliver(snapshot({}, Date{std::nan("")}));
    h.store->prepareDiagnostics();
    EXPECT_FALSE(h.store->diagnosticPreview());
    EXPECT_EQ(h.store->errorMessage(), ObserverStore::diagnosticBuildFailedError);
    EXPECT_EQ(shown.ids.size(), 1u);
}

TEST(ObserverStoreDiagnostics, copyingPutsThePreviewedTextOnThePasteboard) {
    for (bool refuses : {false, true}) {
        ShownWindows shown;
        StoreHarness h;
        h.started();
        h.pasteboard->refuses = refuses;

        // Without a preview the copy only prepares one.
        h.store->copyDiagnostics();
        EXPECT_TRUE(h.pasteboard->calls.empty());
        ASSERT_TRUE(h.store->diagnosticPreview());
        EXPECT_EQ(shown.ids.size(), 1u);
        const std::string text = h.store->diagnosticPreview()->text();

        // The drive state changes; the copy is still the preview.
        h.time->advance(5);
        h.deliver(snapshot({drive}, h.now(), ++h.revision));
        h.store->handleSystemSleep();
        h.store->revealSelectedVolume();  // an error line to clear
        ASSERT_TRUE(h.store->errorMessage());
        const std::size_t events = h.store->history().size();
        h.store->copyDiagnostics();
        EXPECT_EQ(h.pasteboard->calls, (std::vector<std::string>{"clear", "set " + text})) << refuses;
        if (refuses) {
            EXPECT_EQ(h.store->errorMessage(), ObserverStore::diagnosticCopyFailedError);
            EXPECT_EQ(h.store->history().size(), events);
            EXPECT_FALSE(h.pasteboard->contents) << "cleared before the refused text";
        } else {
            EXPECT_EQ(h.pasteboard->contents, text);
            EXPECT_FALSE(h.store->errorMessage());
            EXPECT_EQ(h.store->history().front().message, ObserverStore::diagnosticCopiedEvent);
        }
        EXPECT_EQ(shown.ids.size(), 1u);
    }
}

TEST(ObserverStoreDiagnostics, savingWritesThePreviewedBytesThroughOnePanel) {
    ShownWindows shown;
    Folder folder;
    StoreHarness h;
    h.started();
    h.store->saveDiagnostics();
    EXPECT_TRUE(h.panels->made.empty()) << "without a preview only the preview is made";
    ASSERT_TRUE(h.store->diagnosticPreview());
    const platform::Data bytes = h.store->diagnosticPreview()->data;

    h.store->saveDiagnostics();
    h.store->saveDiagnostics();
    ASSERT_EQ(h.panels->made.size(), 1u);
    auto panel = h.panels->last();
    EXPECT_EQ(panel->bringToFrontCount, 1);
    EXPECT_EQ(panel->options, (platform::SavePanelOptions{"관측 진단 저장", "미리보기에 표시된 비식별 진단을 그대로 저장합니다.",
                                                          "Kavrinet-diagnostics.json", "JSON", "json", true}));

    h.time->advance(3);
    h.deliver(snapshot({drive}, h.now(), ++h.revision));
    const auto file = folder.path / "report.json";
    panel->choose(file);
    panel.reset();
    h.time->runUntilIdle();
    EXPECT_EQ(readFile(file), std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(h.store->errorMessage());
    EXPECT_EQ(h.store->history().front().message, ObserverStore::diagnosticSavedEvent);

    // A place that cannot hold the file (under a regular file): the failure line. Asked from the
    // UI app's preview, whose window the panel is to stay above.
    std::ofstream(folder.path / "blocker") << "x";
    const std::size_t saved = h.store->history().size();
    h.store->setUIProcessID(4242);
    h.store->saveDiagnostics();
    EXPECT_EQ(h.panels->last()->options.requester, (platform::SavePanelRequester{4242, "진단 미리보기"}));
    h.panels->last()->choose(folder.path / "blocker" / "report.json");
    h.time->runUntilIdle();
    EXPECT_EQ(h.store->errorMessage(), ObserverStore::diagnosticSaveFailedError);
    EXPECT_EQ(h.store->history().size(), saved);

    // Dismissed: nothing at all.
    const std::size_t events = h.store->history().size();
    h.store->saveDiagnostics();
    h.panels->last()->dismiss();
    h.time->runUntilIdle();
    EXPECT_EQ(h.store->history().size(), events);
    EXPECT_EQ(h.panels->made.size(), 3u);
}

TEST(ObserverStoreDiagnostics, aSaveAnsweredForAnOlderPreviewWritesNothing) {
    enum class Change { prepareWhileOpen, discardWhileOpen, prepareAfterTheAnswer, discardAfterTheAnswer };
    for (Change change : {Change::prepareWhileOpen, Change::discardWhileOpen, Change::prepareAfterTheAnswer,
                          Change::discardAfterTheAnswer}) {
        ShownWindows shown;
        Folder folder;
        StoreHarness h;
        h.started();
        h.store->prepareDiagnostics();
        h.store->saveDiagnostics();
        auto panel = h.panels->last();
        const auto file = folder.path / "report.json";
        const bool whileOpen = change == Change::prepareWhileOpen || change == Change::discardWhileOpen;
        const bool prepare = change == Change::prepareWhileOpen || change == Change::prepareAfterTheAnswer;
        h.time->advance(1);
        if (!whileOpen) panel->choose(file);  // the answer waits on the main queue
        if (prepare) {
            h.store->prepareDiagnostics();
        } else {
            h.store->discardDiagnosticsPreview();
        }
        EXPECT_EQ(panel->cancelCount, whileOpen ? 1 : 0);
        const std::size_t events = h.store->history().size();
        panel->choose(file);  // too late for an open panel: it was cancelled
        panel.reset();
        h.time->runUntilIdle();
        EXPECT_FALSE(std::filesystem::exists(file)) << static_cast<int>(change);
        EXPECT_FALSE(h.store->errorMessage());
        EXPECT_EQ(h.store->history().size(), events);
        EXPECT_EQ(h.store->diagnosticPreview().has_value(), prepare);
    }
}

TEST(ObserverStoreDiagnostics, revealOpensOnlyTheFirstMountedVolumeStillOnTheDevice) {
    wendmark::VolumeSnapshot noPath = volume("sdb1", true, "U-1");
    noPath.mountPath.reset();
    struct Case {
        const char* name;
        std::vector<DeviceSnapshot> devices;
        bool sleeping = false;
        bool matches = true;
        bool opens = true;
        std::optional<std::string> opened;   // the folder asked for
        std::optional<std::string> checked;  // the volume checked against the device
        std::optional<std::string_view> error;
    } cases[] = {
        {"the first mounted volume",
         {device("driver:1", t0, {volume("sdb1", false, "U-1"), volume("sdb2", true, "U-2", "Work")})},
         false, true, true, "/media/user/Work", "sdb2@driver:1", std::nullopt},
        {"the file browser fails", {drive}, false, true, false, "/media/user/Data", "sdb1@driver:1",
         ObserverStore::revealFailedError},
        {"asleep", {drive}, true, true, true, std::nullopt, std::nullopt, ObserverStore::revealRefusedError},
        {"no selection", {drive, device("driver:2", t0)}, false, true, true, std::nullopt, std::nullopt,
         ObserverStore::revealRefusedError},
        {"nothing mounted", {device("driver:1", t0, {volume("sdb1", false, "U-1")})}, false, true, true,
         std::nullopt, std::nullopt, ObserverStore::revealRefusedError},
        {"the first mounted volume has no path; the second is never tried",
         {device("driver:1", t0, {noPath, volume("sdb2", true, "U-2")})}, false, true, true, std::nullopt,
         std::nullopt, ObserverStore::revealRefusedError},
        {"the path now belongs to another device", {drive}, false, false, true, std::nullopt, "sdb1@driver:1",
         ObserverStore::revealRefusedError},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.started();
        h.deliver(snapshot(c.devices, h.now()));
        h.volumeMatches = c.matches;
        h.browser->opens = c.opens;
        if (c.sleeping) h.store->handleSystemSleep();
        h.store->copyDiagnostics();
        h.pasteboard->refuses = true;
        h.store->copyDiagnostics();  // an error line that a success clears
        h.store->revealSelectedVolume();
        EXPECT_EQ(h.browser->opened, c.opened ? std::vector{*c.opened} : std::vector<std::string>{}) << c.name;
        EXPECT_EQ(h.volumeChecks, c.checked ? std::vector{*c.checked} : std::vector<std::string>{}) << c.name;
        h.time->runUntilIdle();  // the file browser answers later
        EXPECT_EQ(h.store->errorMessage(), c.error) << c.name;
    }
}
