#include <gtest/gtest.h>

#include <algorithm>

#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using quentrel::EventStorageStatus;
using quentrel::RecentEvent;
using wendmark::DeviceSnapshot;
using wendmark::WorkSession;

namespace {

const DeviceSnapshot a = device("driver:1", Date{kStoreStart});

// A started store with a window open and the device selected.
void observe(StoreHarness& h) {
    h.started();
    h.show();
    h.deliver(snapshot({a}, h.now(), ++h.revision));
}

// `count` more completed sessions, the newest first in completedSessions.
void completeSessions(StoreHarness& h, int count) {
    for (int i = 0; i < count; ++i) {
        h.tick({a});
        h.tick({a}, 1, 4096, 512);
        h.store->startNewSession();
    }
    h.time->runUntilIdle();
}

std::vector<WorkSession> sessionFile(StoreHarness& h) {
    h.time->runUntilIdle();
    return platform::json::decode<std::vector<WorkSession>>(h.sessionWrites->last());
}

std::vector<RecentEvent> eventFile(StoreHarness& h) {
    return platform::json::decode<std::vector<RecentEvent>>(h.eventWrites->last());
}

// One more event at the current virtual time.
void logEvent(StoreHarness& h) { h.store->startNewSession(); }

}  // namespace

TEST(ObserverStoreDataActions, clearingAnEmptyListDoesNothing) {
    StoreHarness h;
    h.build();
    EXPECT_EQ(h.signalsDuring([&] {
        EXPECT_FALSE(h.store->clearEventHistory());
        EXPECT_FALSE(h.store->clearSessionHistory());
        EXPECT_FALSE(h.store->undoHistoryClear());
        EXPECT_FALSE(h.store->undoSessionClear());
    }),
              0);
    EXPECT_FALSE(h.store->dataActionMessage());
    EXPECT_EQ(h.eventWrites->count() + h.sessionWrites->count(), 0u);
}

TEST(ObserverStoreDataActions, aFailedWriteChangesNeitherMemoryNorTheFile) {
    using Store = quentrel::ObserverStore;
    struct Case {
        const char* name;
        bool sessions;
        bool undo;
        std::string_view failure;
        std::string_view success;
    } cases[] = {
        {"clear events", false, false, Store::eventsClearFailedMessage, Store::eventsClearedMessage},
        {"undo events", false, true, Store::eventsRestoreFailedMessage, Store::eventsRestoredMessage},
        {"clear sessions", true, false, Store::sessionsClearFailedMessage, Store::sessionsClearedMessage},
        {"undo sessions", true, true, Store::sessionsRestoreFailedMessage, Store::sessionsRestoredMessage},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        observe(h);
        completeSessions(h, 2);
        auto act = [&] {
            if (c.sessions) return c.undo ? h.store->undoSessionClear() : h.store->clearSessionHistory();
            return c.undo ? h.store->undoHistoryClear() : h.store->clearEventHistory();
        };
        const auto erasedEvents = h.store->history();
        const auto erasedSessions = h.store->completedSessions();
        if (c.undo) {
            ASSERT_TRUE(c.sessions ? h.store->clearSessionHistory() : h.store->clearEventHistory()) << c.name;
            logEvent(h);
        }
        h.time->runUntilIdle();
        auto& writes = c.sessions ? *h.sessionWrites : *h.eventWrites;
        const std::size_t written = writes.count();
        const std::string file = writes.last();
        const auto history = h.store->history();
        const auto completed = h.store->completedSessions();
        const bool canUndo = c.sessions ? h.store->canUndoSessionClear() : h.store->canUndoHistoryClear();

        writes.failing = true;
        EXPECT_FALSE(act()) << c.name;
        EXPECT_EQ(h.store->history(), history) << c.name;
        EXPECT_EQ(h.store->completedSessions(), completed) << c.name;
        EXPECT_EQ(c.sessions ? h.store->canUndoSessionClear() : h.store->canUndoHistoryClear(), canUndo) << c.name;
        EXPECT_EQ(c.sessions ? h.store->sessionStorageStatus() : h.store->eventStorageStatus(),
                  EventStorageStatus::writeFailed)
            << c.name;
        EXPECT_TRUE(h.store->dataActionFailed()) << c.name;
        EXPECT_EQ(h.store->dataActionMessage(), c.failure) << c.name;
        h.time->advance(1);
        EXPECT_EQ(writes.count(), written) << c.name;
        EXPECT_EQ(writes.last(), file) << c.name;

        // The user may retry once the file can be written.
        writes.failing = false;
        EXPECT_TRUE(act()) << c.name;
        EXPECT_FALSE(h.store->dataActionFailed()) << c.name;
        EXPECT_EQ(h.store->dataActionMessage(), c.success) << c.name;
        EXPECT_EQ(c.sessions ? h.store->sessionStorageStatus() : h.store->eventStorageStatus(),
                  EventStorageStatus::available)
            << c.name;
        // The failed undo kept all that the clear had erased: the retry brought each entry back.
        auto restored = [&](const auto& erased, const auto& now) {
            for (const auto& entry : erased) EXPECT_EQ(std::count(now.begin(), now.end(), entry), 1) << c.name;
        };
        if (c.undo && c.sessions) restored(erasedSessions, h.store->completedSessions());
        if (c.undo && !c.sessions) restored(erasedEvents, h.store->history());
    }
}

TEST(ObserverStoreDataActions, eventUndoMergesEveryClearWithWhatWasLoggedSince) {
    StoreHarness h;
    h.started();
    const RecentEvent started = h.store->history().front();
    h.time->advance(1);
    logEvent(h);
    const RecentEvent first = h.store->history().front();
    ASSERT_TRUE(h.store->clearEventHistory());
    EXPECT_EQ(eventFile(h), std::vector<RecentEvent>{});
    EXPECT_TRUE(h.store->history().empty());
    EXPECT_TRUE(h.store->canUndoHistoryClear());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::eventsClearedMessage);

    // The same event again at the same moment is one event after the undo.
    logEvent(h);
    h.time->advance(1);
    logEvent(h);
    const RecentEvent second = h.store->history().front();
    ASSERT_TRUE(h.store->clearEventHistory());
    h.time->advance(1);
    logEvent(h);
    const RecentEvent third = h.store->history().front();

    ASSERT_TRUE(h.store->undoHistoryClear());
    const std::vector<RecentEvent> expected{third, second, first, started};
    EXPECT_EQ(h.store->history(), expected);
    EXPECT_EQ(eventFile(h), expected);
    EXPECT_FALSE(h.store->canUndoHistoryClear());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::eventsRestoredMessage);
    EXPECT_FALSE(h.store->undoHistoryClear()) << "one undo";
}

TEST(ObserverStoreDataActions, theEventBufferKeepsTheNewestHundredOfTheLastSevenDays) {
    StoreHarness h;
    h.started();
    for (int i = 0; i < 120; ++i) {
        h.time->advance(1);
        logEvent(h);
    }
    ASSERT_TRUE(h.store->clearEventHistory());
    for (int i = 0; i < 10; ++i) {
        h.time->advance(1);
        logEvent(h);
    }
    const auto newest = h.store->history();
    ASSERT_TRUE(h.store->clearEventHistory());
    ASSERT_TRUE(h.store->undoHistoryClear());  // with nothing logged since: the buffer as it is
    EXPECT_EQ(h.store->history().size(), 100u);
    EXPECT_EQ(h.store->history().front(), newest.front());

    ASSERT_TRUE(h.store->clearEventHistory());
    h.time->advance(quentrel::RecentEventLog::maximumAgeSeconds);
    logEvent(h);
    const RecentEvent now = h.store->history().front();
    ASSERT_TRUE(h.store->undoHistoryClear());
    EXPECT_EQ(h.store->history(), std::vector<RecentEvent>{now});
}

TEST(ObserverStoreDataActions, theOpenSessionStaysOnDiskThroughAClearAndComesFirstAfterTheUndo) {
    StoreHarness h;
    observe(h);
    completeSessions(h, 2);
    const auto earlier = h.store->completedSessions();
    h.tick({a});
    const WorkSession open = *h.store->currentSession();

    ASSERT_TRUE(h.store->clearSessionHistory());
    EXPECT_EQ(sessionFile(h), std::vector<WorkSession>{open});
    EXPECT_TRUE(h.store->completedSessions().empty());
    EXPECT_TRUE(h.store->canUndoSessionClear());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::sessionsClearedMessage);

    h.tick({a}, 1, 4096, 512);
    h.store->startNewSession();
    const WorkSession since = h.store->completedSessions().front();
    h.tick({a});
    const WorkSession reopened = *h.store->currentSession();

    ASSERT_TRUE(h.store->undoSessionClear());
    const std::vector<WorkSession> restored{since, earlier[0], earlier[1]};
    EXPECT_EQ(h.store->completedSessions(), restored);
    EXPECT_EQ(sessionFile(h), (std::vector<WorkSession>{reopened, since, earlier[0], earlier[1]}));
    EXPECT_FALSE(h.store->canUndoSessionClear());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::sessionsRestoredMessage);
}

TEST(ObserverStoreDataActions, theSessionBufferKeepsThirtyAndTheFileThirtyWithTheOpenOne) {
    StoreHarness h;
    observe(h);
    completeSessions(h, 31);
    ASSERT_EQ(h.store->completedSessions().size(), 30u);
    ASSERT_TRUE(h.store->clearSessionHistory());
    completeSessions(h, 1);
    const WorkSession newest = h.store->completedSessions().front();
    ASSERT_TRUE(h.store->clearSessionHistory());

    h.tick({a});
    ASSERT_TRUE(h.store->undoSessionClear());
    EXPECT_EQ(h.store->completedSessions().size(), 30u);
    const auto file = sessionFile(h);
    ASSERT_EQ(file.size(), 30u);
    EXPECT_EQ(file.front(), *h.store->currentSession());
    EXPECT_EQ(file[1], newest);
}

TEST(ObserverStoreDataActions, eachSuccessDropsTheDiagnosticPreviewAndItsSavePanel) {
    using Action = bool (ObserverStore::*)();
    const Action actions[] = {&ObserverStore::clearEventHistory, &ObserverStore::undoHistoryClear,
                              &ObserverStore::clearSessionHistory, &ObserverStore::undoSessionClear};
    StoreHarness h;
    observe(h);
    completeSessions(h, 1);
    for (Action action : actions) {
        h.store->prepareDiagnostics();
        h.store->saveDiagnostics();
        ASSERT_TRUE(h.panels->last());
        ASSERT_TRUE((h.store.get()->*action)());
        EXPECT_FALSE(h.store->diagnosticPreview());
        EXPECT_EQ(h.panels->last()->cancelCount, 1);
        h.time->runUntilIdle();
    }
}
