#include <QAccessible>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "Quentrel/Views/ActivityHistoryView.h"
#include "Quentrel/Views/ActivityPlotView.h"
#include "Quentrel/Views/Models/FixedLocaleTexts.h"
#include "ThemeTestSupport.h"

using namespace quentrel;
using wendmark::ActivityInterval;

namespace {
constexpr double ref = 700'000'000 - 700'000'000 % 86400 + 600;  // 00:10:00 UTC
platform::Date ago(double seconds) { return platform::Date{ref - seconds}; }

ActivityInterval interval(std::uint64_t id, double startAgo, double endAgo, double read, double write) {
    return {id, ago(startAgo), ago(endAgo), read, write};
}

// Read at the peak for the first half of the window, write at the peak for the second.
std::vector<ActivityInterval> halves() {
    return {interval(1, 300, 149, 2'000'000, 0), interval(2, 149, 0, 0, 2'000'000)};
}

ActivityHistoryInput input(std::vector<ActivityInterval> intervals, std::string identity = "driver:1",
                           double endAgo = 0) {
    return {std::move(intervals), ago(endAgo), true, 1.0, identity};
}

QString labelText(const QWidget& root, const QString& text) {
    for (auto* label : root.findChildren<QLabel*>())
        if (label->text() == text) return text;
    return {};
}

class ActivityHistoryViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        quentrel::testing::applyTheme();
        ObserverTheme::applyToRoot(root_);
        auto* layout = new QVBoxLayout(&root_);
        layout->setContentsMargins(16, 16, 16, 16);
    }

    ActivityHistoryView& make(bool compact, int width) {
        card_ = new ActivityHistoryView(compact, std::make_shared<quentrel::testing::FixedLocaleTexts>(), &root_);
        root_.layout()->addWidget(card_);
        root_.setFixedWidth(width);
        return *card_;
    }

    void show() {
        root_.adjustSize();
        root_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&root_));
        QCoreApplication::processEvents();
    }

    QWidget root_;
    ActivityHistoryView* card_ = nullptr;
};
}  // namespace

TEST_F(ActivityHistoryViewTest, thePointerInspectsThroughThePlot) {
    auto& card = make(false, 374);  // a 300-point plot: one point a second
    card.setInput(input(halves()));
    show();
    QWidget* graph = card.graph();
    ASSERT_EQ(card.plot()->width(), 300);
    // The plot takes no pointer event: what lies under it is the graph.
    EXPECT_EQ(root_.childAt(graph->mapTo(&root_, QPoint(150, 50))), graph);

    QMouseEvent hover(QEvent::MouseMove, QPointF(100, 50), graph->mapToGlobal(QPointF(100, 50)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(graph, &hover);
    EXPECT_EQ(card.inspection().date, ago(200));
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(240, 10));
    EXPECT_EQ(card.inspection().date, ago(60));
    EXPECT_EQ(card.findChild<QLabel*>("graphInspection")->text(), "00:10:00 · 읽기 0 B/s · 쓰기 2.0 MB/s");
    EXPECT_EQ(card.plot()->selectedDate(), ago(60));
    // On the right edge nothing changes.
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_EQ(card.inspection().date, ago(60));
}

TEST_F(ActivityHistoryViewTest, theArrowKeysStepThroughTheIntervals) {
    auto& card = make(true, 360);
    card.setInput(input({interval(1, 100, 90, 1, 1), interval(2, 80, 70, 1, 1), interval(3, 40, 30, 1, 1)}));
    QWidget* graph = card.graph();
    EXPECT_EQ(graph->focusPolicy(), Qt::StrongFocus);
    QTest::keyClick(graph, Qt::Key_Left);
    EXPECT_EQ(card.inspection().date, ago(35));
    QTest::keyClick(graph, Qt::Key_Left);
    EXPECT_EQ(card.inspection().date, ago(75));
    QTest::keyClick(graph, Qt::Key_Right);
    QTest::keyClick(graph, Qt::Key_Right);
    EXPECT_EQ(card.inspection().date, ago(35));
    // Both arrows are taken even when nothing moves.
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(graph, &right);
    EXPECT_TRUE(right.isAccepted());
    EXPECT_EQ(card.inspection().date, ago(35));
}

TEST_F(ActivityHistoryViewTest, theInspectionSurvivesNewDataAndEndsWithTheDevice) {
    auto& card = make(false, 600);
    card.setInput(input(halves()));
    QTest::keyClick(card.graph(), Qt::Key_Right);
    const auto inspected = card.inspection().date;
    ASSERT_TRUE(inspected);
    // New intervals and a later reference date: the same absolute instant stays inspected.
    card.setInput(input({interval(5, 20, 10, 3, 3)}, "driver:1", -5));
    EXPECT_EQ(card.inspection().date, inspected);
    // Once it leaves the window it reads as nothing selected, but is kept.
    card.setInput(input({interval(5, 20, 10, 3, 3)}, "driver:1", -200));
    EXPECT_FALSE(card.model().hasSelection);
    EXPECT_FALSE(card.plot()->selectedDate());
    EXPECT_EQ(card.inspection().date, inspected);
    // Another device starts a fresh inspection.
    card.setInput(input(halves(), "driver:2"));
    EXPECT_FALSE(card.inspection().date);
}

TEST_F(ActivityHistoryViewTest, thePlotRepaintsOnlyWhenAnInputChanged) {
    auto& card = make(false, 600);
    card.setInput(input(halves()));
    const auto requests = card.plot()->displayRequests();
    card.setInput(input(halves()));
    EXPECT_EQ(card.plot()->displayRequests(), requests);
    card.setInput(input(halves(), "driver:1", -1));
    EXPECT_EQ(card.plot()->displayRequests(), requests + 1);
    QTest::keyClick(card.graph(), Qt::Key_Left);
    EXPECT_EQ(card.plot()->displayRequests(), requests + 2);
}

TEST_F(ActivityHistoryViewTest, anEmptyHistoryShowsTheEmptyStateAndIgnoresThePointer) {
    auto& card = make(false, 600);
    ActivityHistoryInput in = input({});
    in.collecting = false;
    card.setInput(in);
    show();
    EXPECT_FALSE(card.plot()->isVisible());
    EXPECT_EQ(labelText(card, "관측을 시작하면 그래프가 나타납니다"), "관측을 시작하면 그래프가 나타납니다");
    EXPECT_EQ(labelText(card, "표본 대기"), "표본 대기");
    EXPECT_EQ(labelText(card, "수집 중단"), "수집 중단");
    EXPECT_EQ(labelText(card, "관측 0초 / 5분 · 빈 구간은 미관측"), "관측 0초 / 5분 · 빈 구간은 미관측");
    QTest::mouseClick(card.graph(), Qt::LeftButton, {}, QPoint(100, 10));
    QTest::keyClick(card.graph(), Qt::Key_Left);
    EXPECT_FALSE(card.inspection().date);
}

TEST_F(ActivityHistoryViewTest, theGraphIsOneAdjustableAccessibilityElement) {
    auto& card = make(false, 600);
    card.setInput(input(halves()));
    QWidget* graph = card.graph();
    EXPECT_EQ(graph->objectName(), "activityHistoryGraph");
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(graph);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->text(QAccessible::Name), "최근 5분 활동 그래프");
    EXPECT_EQ(element->text(QAccessible::Description), "왼쪽과 오른쪽 화살표로 관측 구간을 확인합니다.");
    EXPECT_EQ(element->childCount(), 0);
    EXPECT_EQ(element->text(QAccessible::Value), QString::fromStdString(card.model().accessibilityValue));
    ASSERT_NE(element->actionInterface(), nullptr);
    element->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(card.inspection().date, ago(224.5));
    EXPECT_TRUE(element->text(QAccessible::Value).endsWith("00:07:31 · 읽기 2.0 MB/s · 쓰기 0 B/s"));
    element->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(card.inspection().date, ago(224.5));
}

TEST_F(ActivityHistoryViewTest, theLayoutFollowsCompact) {
    auto& card = make(true, 360);
    card.setInput(input(halves()));
    show();
    EXPECT_EQ(card.graph()->height(), 70);
    EXPECT_EQ(card.findChild<QLabel*>("graphInspection")->minimumHeight(), 27);
    card.setCompact(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(card.graph()->height(), 105);
    EXPECT_EQ(card.findChild<QLabel*>("graphInspection")->minimumHeight(), 14);
}

// Pixel probes of the drawn plot: the read line solid in the accent colour, the write line
// dashed in the text colour, the marker in the muted colour, nothing joining the two halves.
TEST_F(ActivityHistoryViewTest, thePlotDrawsItsLinesAndMarker) {
    auto& card = make(false, 374);
    card.setInput(input(halves()));
    show();
    QTest::keyClick(card.graph(), Qt::Key_Right);  // the first interval's midpoint: x = 75.5
    QCoreApplication::processEvents();
    const QImage image = card.graph()->grab().toImage();
    ASSERT_EQ(image.width(), 300);
    const int h = image.height();  // 105: the peak at y 6 (rows 5 and 6), zero at y 101 (rows 100, 101)
    auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 12;
    };
    const QColor background = image.pixelColor(40, 50);
    // `colour` covering `share` of a pixel over the background.
    auto over = [&](QColor colour, double share) {
        auto mix = [&](int c, int b) { return static_cast<int>(std::lround(share * c + (1 - share) * b)); };
        return QColor(mix(colour.red(), background.red()), mix(colour.green(), background.green()),
                      mix(colour.blue(), background.blue()));
    };
    EXPECT_TRUE(near(image.pixelColor(40, 5), ObserverTheme::accent));  // read, first half
    EXPECT_TRUE(near(image.pixelColor(40, 6), ObserverTheme::accent));
    // The 1.5-point write line at 0 covers three quarters of rows 100 and 101; dashes 3 on, 2 off.
    EXPECT_TRUE(near(image.pixelColor(40, h - 4), over(ObserverTheme::text, 0.75)));
    EXPECT_TRUE(near(image.pixelColor(43, h - 4), background));
    EXPECT_TRUE(near(image.pixelColor(200, h - 5), ObserverTheme::accent));  // read at 0, second half
    EXPECT_TRUE(near(image.pixelColor(226, 6), over(ObserverTheme::text, 0.75)));  // write at the peak, dashed from x 151
    EXPECT_TRUE(near(image.pixelColor(200, 50), background));
    // The marker at x 75.5 covers column 75: 0.7 of the muted colour, dashed 2 on, 3 off from the top.
    EXPECT_TRUE(near(image.pixelColor(75, 50), over(ObserverTheme::muted, 0.7)));
    EXPECT_TRUE(near(image.pixelColor(75, 52), background));
}

TEST_F(ActivityHistoryViewTest, screenshots) {
    std::vector<ActivityInterval> busy;
    for (unsigned i = 0; i < 300; i += 2)
        if (i % 60 < 44) busy.push_back(interval(i, 300 - i, 299 - i, 1'000'000.0 * (i % 17), 350'000.0 * (i % 11)));
    for (bool compact : {true, false}) {
        QWidget root;
        ObserverTheme::applyToRoot(root);
        auto* layout = new QVBoxLayout(&root);
        layout->setContentsMargins(16, 16, 16, 16);
        auto* card = new ActivityHistoryView(compact, std::make_shared<quentrel::testing::FixedLocaleTexts>(), &root);
        layout->addWidget(card);
        root.setFixedWidth(compact ? 360 : 620);
        card->setInput(input(busy));
        root.adjustSize();
        root.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
        const QString kind = compact ? "compact" : "full";
        using Model = ActivityHistoryModel;
        using ::testing::HasSubstr;
        quentrel::testing::writeScreenshot(root, "activity-graph-" + kind);
        EXPECT_THAT(quentrel::testing::shownTexts(root), HasSubstr(std::string(Model::peakHeaderPrefix)));
        QTest::mouseClick(card->graph(), Qt::LeftButton, {}, QPoint(card->graph()->width() * 2 / 3, 20));
        QCoreApplication::processEvents();
        quentrel::testing::writeScreenshot(root, "activity-graph-" + kind + "-selected");
        EXPECT_TRUE(card->inspection().date) << kind.toStdString();
        card->setInput(input({}));
        QCoreApplication::processEvents();
        quentrel::testing::writeScreenshot(root, "activity-graph-" + kind + "-empty");
        const std::string empty = quentrel::testing::shownTexts(root);
        EXPECT_THAT(empty, HasSubstr(std::string(Model::waitingHeader)));
        EXPECT_THAT(empty, HasSubstr(std::string(Model::emptyWhileCollecting)));
    }
}
