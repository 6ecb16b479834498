#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "ThemeTestSupport.h"

using namespace quentrel;

namespace {
class ObserverControlsTest : public ::testing::Test {
protected:
    void SetUp() override { quentrel::testing::applyTheme(); }
};

// `fill` at `alpha` over the window background, as the screen shows it.
QColor over(const QColor& fill, qreal alpha, const QColor& below = ObserverTheme::background) {
    auto mix = [&](int a, int b) { return qRound(b * (1 - alpha) + a * alpha); };
    return QColor(mix(fill.red(), below.red()), mix(fill.green(), below.green()), mix(fill.blue(), below.blue()));
}

::testing::AssertionResult near(const QColor& actual, const QColor& expected) {
    const int tolerance = 2;
    if (std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance &&
        std::abs(actual.blue() - expected.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << actual.name().toStdString() << ", expected "
                                         << expected.name().toStdString();
}

// The colour of `widget` at `point`, drawn on a window root of the theme.
QColor pixelOnRoot(QWidget& widget, QPoint point) {
    QWidget root;
    ObserverTheme::applyToRoot(root);
    widget.setParent(&root);
    widget.move(0, 0);
    widget.show();
    root.resize(widget.size());
    const QColor colour = root.grab().toImage().pixelColor(point);
    widget.setParent(nullptr);
    return colour;
}
}  // namespace

TEST_F(ObserverControlsTest, IconButtonCarriesItsTextsAndRunsItsAction) {
    int runs = 0;
    ObserverIconButton button(QStringLiteral("빠른 보기"), QStringLiteral("macwindow"), false, true,
                              QStringLiteral("openQuickView"), [&] { ++runs; });
    EXPECT_EQ(button.objectName(), QStringLiteral("openQuickView"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("빠른 보기"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("빠른 보기"));
    EXPECT_EQ(button.property("symbol").toString(), QStringLiteral("macwindow"));
    EXPECT_EQ(button.size(), QSize(38, 38));

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(19, 19));
    EXPECT_EQ(runs, 1);
    button.setSymbol(QStringLiteral("folder"));
    EXPECT_EQ(button.property("symbol").toString(), QStringLiteral("folder"));
}

TEST_F(ObserverControlsTest, IconButtonCountsClicksInsideItsRoundedSquareOnly) {
    int runs = 0;
    ObserverIconButton button(QStringLiteral("t"), QStringLiteral("folder"), false, true, QStringLiteral("b"), [&] { ++runs; });
    // Inside the square but outside the rounded corners ((0, 0) would mean the centre to QTest),
    // then on the fill away from the glyph.
    for (QPoint outside : {QPoint(1, 0), QPoint(1, 1), QPoint(37, 37), QPoint(36, 1)}) QTest::mouseClick(&button, Qt::LeftButton, {}, outside);
    EXPECT_EQ(runs, 0);
    for (QPoint inside : {QPoint(19, 1), QPoint(6, 6), QPoint(1, 19), QPoint(32, 32)}) QTest::mouseClick(&button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(runs, 4);
}

TEST_F(ObserverControlsTest, DisabledIconButtonIgnoresClicks) {
    int runs = 0;
    ObserverIconButton button(QStringLiteral("t"), QStringLiteral("folder"), true, false, QStringLiteral("b"), [&] { ++runs; });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(19, 19));
    button.click();
    EXPECT_EQ(runs, 0);
    button.setEnabled(true);
    button.click();
    EXPECT_EQ(runs, 1);
}

TEST_F(ObserverControlsTest, IconButtonFillFollowsHighlightAndDimsWhenDisabled) {
    struct Case {
        bool highlighted, enabled;
        QColor expected;
    } cases[] = {
        {false, true, over(ObserverTheme::elevated, 0.55)},
        {true, true, over(ObserverTheme::accent, 0.1)},
        {false, false, over(ObserverTheme::elevated, 0.55 * 0.4)},
        // A highlighted disabled button keeps the accent fill under the dimming.
        {true, false, over(ObserverTheme::accent, 0.1 * 0.4)},
    };
    for (const auto& c : cases) {
        ObserverIconButton button(QStringLiteral("t"), QStringLiteral("plus"), c.highlighted, c.enabled, QStringLiteral("b"), {});
        // Left of the glyph, on the fill.
        EXPECT_TRUE(near(pixelOnRoot(button, QPoint(5, 19)), c.expected)) << c.highlighted << c.enabled;
    }
}

TEST_F(ObserverControlsTest, ActionButtonIsItsPaddedLabelWideAndFortyHigh) {
    ObserverActionButton plain(QStringLiteral("관측 설정 초기화"));
    const int title = qCeil(QFontMetricsF(ObserverActionStyle::font()).horizontalAdvance(plain.text()));
    EXPECT_EQ(plain.sizeHint(), QSize(title + 32, 40));
    plain.setSymbol(QStringLiteral("arrow.counterclockwise"));
    EXPECT_EQ(plain.property("symbol").toString(), QStringLiteral("arrow.counterclockwise"));
    EXPECT_EQ(plain.sizeHint().width(), qCeil(QFontMetricsF(ObserverActionStyle::font()).horizontalAdvance(plain.text()) + 16 + 6) + 32);
    EXPECT_EQ(plain.font().weight(), QFont::DemiBold);
    EXPECT_EQ(plain.font().pixelSize(), 13);
}

TEST_F(ObserverControlsTest, ActionButtonFillByProminenceAndState) {
    struct Case {
        bool prominent, enabled, pressed;
        QColor expected;
    } cases[] = {
        {true, true, false, ObserverTheme::accent},
        {true, true, true, over(ObserverTheme::accent, 0.7)},
        {true, false, false, over(ObserverTheme::accent, 0.4)},
        {true, false, true, over(ObserverTheme::accent, 0.4)},
        {false, true, false, ObserverTheme::elevated},
        {false, true, true, over(ObserverTheme::elevated, 0.7)},
        {false, false, false, over(ObserverTheme::elevated, 0.4)},
    };
    for (const auto& c : cases) {
        ObserverActionButton button(QStringLiteral("저장"), c.prominent);
        button.setEnabled(c.enabled);
        button.setDown(c.pressed);
        button.resize(button.sizeHint());
        EXPECT_TRUE(near(pixelOnRoot(button, QPoint(6, 20)), c.expected)) << c.prominent << c.enabled << c.pressed;
    }
}

TEST_F(ObserverControlsTest, SectionSpansTheOfferedWidthWithTitleAndContentAtTheLeadingEdge) {
    QWidget root;
    auto* layout = new QVBoxLayout(&root);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* narrow = new QLabel(QStringLiteral("짧음"));
    auto* section = new ObservationSection(QStringLiteral("관측"), narrow);
    layout->addWidget(section);
    root.resize(600, 200);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));

    EXPECT_EQ(section->width(), 600);
    EXPECT_EQ(section->title(), QStringLiteral("관측"));
    const int leading = ObservationSection::padding + static_cast<int>(ObserverSurface::outlineOverhang);
    EXPECT_EQ(section->titleLabel()->x(), leading);
    EXPECT_EQ(narrow->x(), leading);
    EXPECT_EQ(narrow->width(), narrow->sizeHint().width());
    EXPECT_EQ(narrow->y() - section->titleLabel()->geometry().bottom() - 1, ObservationSection::spacing);
    EXPECT_EQ(section->titleLabel()->y(), leading);
    EXPECT_EQ(section->titleLabel()->font().weight(), QFont::Bold);

    // Content that expands takes the whole inner width.
    auto* wide = new QLabel(QStringLiteral("넓음"));
    wide->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* second = new ObservationSection(QStringLiteral("두 번째"), wide);
    layout->addWidget(second);
    QCoreApplication::processEvents();
    EXPECT_EQ(wide->width(), 600 - 2 * leading);
}

TEST_F(ObserverControlsTest, CardOutlineFollowsIncreasedContrast) {
    auto outline = [] {
        ObserverSurface card;
        card.resize(200, 100);
        // The middle of the top edge: the outline sits on the shape's edge, one pixel in.
        return pixelOnRoot(card, QPoint(100, 1));
    };
    const QColor standard = outline();
    ObserverTheme::setIncreasedContrast(true);
    const QColor increased = outline();
    ObserverTheme::setIncreasedContrast(false);
    EXPECT_TRUE(near(increased, ObserverTheme::muted));
    EXPECT_FALSE(near(standard, ObserverTheme::muted));
    // The standard line is half as wide: it only half covers the pixel row, mixed with the fill.
    EXPECT_LT(standard.lightness(), increased.lightness());
    EXPECT_TRUE(near(outline(), standard));
}

TEST_F(ObserverControlsTest, ContrastChangeRepaintsOpenWindows) {
    struct CountingCard : ObserverSurface {
        int paints = 0;
        void paintEvent(QPaintEvent* e) override {
            ++paints;
            ObserverSurface::paintEvent(e);
        }
    };
    QWidget root;
    auto* card = new CountingCard;
    (new QVBoxLayout(&root))->addWidget(card);
    root.resize(300, 200);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    QCoreApplication::processEvents();
    const int before = card->paints;
    ObserverTheme::setIncreasedContrast(true);
    QCoreApplication::processEvents();
    ObserverTheme::setIncreasedContrast(false);
    EXPECT_GT(card->paints, before);
}

TEST_F(ObserverControlsTest, BoundToggleAsksInsteadOfFlipping) {
    for (bool asSwitch : {false, true}) {
        BoundToggle toggle(QStringLiteral("시작할 때 대시보드 열기"));
        toggle.setSwitch(asSwitch);
        toggle.resize(toggle.sizeHint());
        QSignalSpy requests(&toggle, &BoundToggle::toggleRequested);
        QSignalSpy toggled(&toggle, &QAbstractButton::toggled);

        // On the label text, which a switch counts as part of the control.
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(toggle.width() / 3, toggle.height() / 2));
        ASSERT_EQ(requests.count(), 1) << asSwitch;
        EXPECT_EQ(requests.at(0).at(0).toBool(), true);
        EXPECT_FALSE(toggle.isChecked());

        toggle.setValue(true);
        EXPECT_TRUE(toggle.isChecked());
        toggle.setFocus();
        QTest::keyClick(&toggle, Qt::Key_Space);
        ASSERT_EQ(requests.count(), 2);
        EXPECT_EQ(requests.at(1).at(0).toBool(), false);
        EXPECT_TRUE(toggle.isChecked());
        // Neither the clicks nor setValue emitted a change.
        EXPECT_EQ(toggled.count(), 0);

        toggle.setEnabled(false);
        toggle.click();
        EXPECT_EQ(requests.count(), 2);
    }
}

TEST_F(ObserverControlsTest, AccessibilityTextsSetOnlyWhatIsGiven) {
    QWidget widget;
    widget.setToolTip(QStringLiteral("old"));
    setAccessibilityTexts(widget, {QStringLiteral("refreshButton"), QStringLiteral("새로 고침"), {}, QStringLiteral("지금 다시 읽습니다")});
    EXPECT_EQ(widget.objectName(), QStringLiteral("refreshButton"));
    EXPECT_EQ(widget.accessibleName(), QStringLiteral("새로 고침"));
    EXPECT_EQ(widget.toolTip(), QStringLiteral("old"));
    EXPECT_EQ(widget.accessibleDescription(), QStringLiteral("지금 다시 읽습니다"));
}

namespace {
class AdjustableGauge : public QWidget, public ObserverAccessible {
public:
    int level = 3;
    bool leaf = true;
    QString accessibilityValue() const override { return QStringLiteral("%1단계").arg(level); }
    bool isAccessibilityAdjustable() const override { return true; }
    void accessibilityIncrement() override { ++level; }
    void accessibilityDecrement() override { --level; }
    bool hidesAccessibilityChildren() const override { return leaf; }
};
}  // namespace

TEST_F(ObserverControlsTest, AccessibilityFactoryGivesValueAdjustmentHidingAndRole) {
    AdjustableGauge gauge;
    new QLabel(QStringLiteral("child"), &gauge);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&gauge);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->text(QAccessible::Value), QStringLiteral("3단계"));
    EXPECT_EQ(face->childCount(), 0);
    auto* actions = face->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
    actions->doAction(QAccessibleActionInterface::increaseAction());
    actions->doAction(QAccessibleActionInterface::increaseAction());
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(gauge.level, 4);
    gauge.leaf = false;
    EXPECT_EQ(face->childCount(), 1);

    ObservationSection section(QStringLiteral("제목"), new QLabel(QStringLiteral("내용")));
    QAccessibleInterface* group = QAccessible::queryAccessibleInterface(&section);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->role(), QAccessible::Grouping);
    // Title and content stay separate elements.
    EXPECT_EQ(group->childCount(), 2);
}
