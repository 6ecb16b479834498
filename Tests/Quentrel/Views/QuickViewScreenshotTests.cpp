// Pictures of the quick view and its parts in their main states, for people to look at (not
// compared).
#include "QuickViewTestSupport.h"

#include <QVBoxLayout>

#include "Quentrel/Views/Connection/ConnectionStabilityView.h"
#include "Quentrel/Views/Observation/DeviceObservationView.h"
#include "Quentrel/Views/Observation/DeviceSelectorView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/Sessions/WorkSessionView.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using namespace quentrel::testing;
using viewtest::device;
using viewtest::kNow;

namespace {
testjson::Tree changes() {
    testjson::Tree list = testjson::Tree::array();
    const char* outcomes[] = {"recovered", "pending", "interrupted", "identityChanged", "recovered"};
    for (unsigned i = 0; i < 5; ++i) {
        testjson::Tree change = {{"id", viewtest::uuid(i).uuidString()},
                                        {"date", kNow - 900.0 * i},
                                        {"outcome", outcomes[i]}};
        if (std::string(outcomes[i]) == "recovered") change["gapSeconds"] = 4.5 + 60 * i;
        list.push_back(change);
    }
    return list;
}

class QuickViewScreenshots : public ::testing::Test {
protected:
    void SetUp() override { applyTheme(); }

    // A selected drive with reads and writes, a graph window, a running session and a remembered
    // target with a few connection changes.
    void observing() {
        auto data = device("driver:1", "Data", 1, 48'200'000, 3'100'000);
        data.volumes.push_back(viewtest::volume("sdb2", "Photos", true, 2));
        mirror.withDevices({data, device("driver:2", "Backup", 3, 0)}, 0);
        for (unsigned i = 0; i < 300; ++i)
            mirror.state.intervals.push_back({i, platform::Date{kNow - 300.0 + i}, platform::Date{kNow - 299.0 + i},
                                              1e6 * (i % 50), 2e5 * (i % 7)});
        mirror.state.currentSession = viewtest::session(3'456'789'012, 987'654'321, 1'712.4, 1'845);
        mirror.state.rememberedTarget = viewtest::targetOf(data);
        mirror.state.targetStatus = "기억한 관측 대상 확인됨";
        testjson::Tree record = {{"state", "connected"},      {"startedAt", kNow - 7'200},
                                        {"lastLossAt", kNow - 900},   {"lossCount", 3},
                                        {"recoveryCount", 2},         {"identityChangeCount", 1},
                                        {"confirmedGapSeconds", 72.5}, {"changes", changes()}};
        mirror.state.connectionStability = viewtest::stability(record);
    }

    void captureQuickView(const QString& name) {
        mirror.apply();
        ObservationMenuView view(mirror.store, nullptr, testLocale());
        showWindow(view);
        for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
        writeScreenshot(view, name);
    }

    void capture(QWidget& content, const QString& name, int width) {
        QWidget root;
        ObserverTheme::applyToRoot(root);
        auto* layout = new QVBoxLayout(&root);
        layout->setContentsMargins(16, 16, 16, 16);
        content.setParent(&root);
        layout->addWidget(&content);
        root.setFixedWidth(width);
        showWindow(root);
        root.adjustSize();
        QCoreApplication::processEvents();
        writeScreenshot(root, name);
        content.setParent(nullptr);
    }

    viewtest::Mirror mirror;
};
}  // namespace

TEST_F(QuickViewScreenshots, QuickViewStates) {
    mirror.state.onboardingCompleted = false;
    captureQuickView(QStringLiteral("quick-view-empty"));

    mirror.state.onboardingCompleted = true;
    observing();
    captureQuickView(QStringLiteral("quick-view-selected"));

    mirror.state.isPaused = true;
    mirror.state.sampling = {false, 30.0, "사용자가 통계 관측을 일시중지했습니다."};
    captureQuickView(QStringLiteral("quick-view-paused"));

    mirror.state.isPaused = false;
    mirror.state.isSystemSleeping = true;
    mirror.state.errorMessage = "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    mirror.state.connectionStability = viewtest::stability({{"state", "sleeping"}, {"lossCount", 0},
                                                           {"recoveryCount", 0}, {"identityChangeCount", 0},
                                                           {"confirmedGapSeconds", 0}, {"changes", testjson::Tree::array()}});
    captureQuickView(QStringLiteral("quick-view-sleeping"));
}

TEST_F(QuickViewScreenshots, Parts) {
    observing();
    mirror.apply();
    for (bool compact : {true, false}) {
        DeviceObservationView panel(compact);
        panel.apply(*DeviceObservationModel::fromStore(*mirror.store, compact, testLocale()));
        capture(panel, compact ? QStringLiteral("device-panel-compact") : QStringLiteral("device-panel"),
                compact ? 360 : 620);

        DeviceSelectorView selector(mirror.store, compact, true, nullptr, testLocale());
        capture(selector, compact ? QStringLiteral("device-selector-compact") : QStringLiteral("device-selector"),
                compact ? 360 : 620);

        WorkSessionView session(mirror.store, compact, nullptr, testLocale());
        capture(session, compact ? QStringLiteral("session-card-compact") : QStringLiteral("session-card"),
                compact ? 360 : 620);
    }

    ConnectionStabilityView summary(mirror.store, nullptr, testLocale());
    summary.resize(620, 540);
    showWindow(summary);
    writeScreenshot(summary, QStringLiteral("connection-summary"));

    mirror.state.rememberedTarget.reset();
    deliver(mirror);
    writeScreenshot(summary, QStringLiteral("connection-summary-no-target"));
}
