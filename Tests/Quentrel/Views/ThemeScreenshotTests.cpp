// Pictures of the theme's controls in their states, for people to look at (not compared), each with
// what it shows checked on the picture itself.
#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Support/ContrastRatio.h"
#include "ThemeTestSupport.h"

using namespace quentrel;

namespace {
class ThemeScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        quentrel::testing::applyTheme();
        ObserverTheme::applyToRoot(root_);
    }

    void capture(const QString& name) {
        root_.adjustSize();
        root_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&root_));
        QCoreApplication::processEvents();
        quentrel::testing::writeScreenshot(root_, name);
    }

    // What the root shows of `widget`.
    QImage drawn(const QWidget& widget) {
        return root_.grab(QRect(widget.mapTo(&root_, QPoint()), widget.size())).toImage();
    }

    QLabel* caption(const QString& text) {
        auto* label = new QLabel(text);
        label->setFont(ObserverTheme::font(ObserverTheme::TextStyle::caption));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, ObserverTheme::muted);
        label->setPalette(palette);
        return label;
    }

    QWidget root_;
};

// The pixels of `image` in the accent colour itself, not a blend of it.
int accentPixels(const QImage& image) {
    const QColor accent = ObserverTheme::accent;
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int distance = std::abs(pixel.red() - accent.red()) + std::abs(pixel.green() - accent.green()) +
                                 std::abs(pixel.blue() - accent.blue());
            count += distance <= 8;
        }
    return count;
}

// How far a card's outline stands out from the window's background: the most any pixel of the
// outline's rows does, down the middle of its top edge, where the corners do not reach.
double outlineContrast(const QImage& card) {
    double most = 1;
    for (int y = 0; y < ObserverSurface::increasedContrastOutlineWidth; ++y)
        most = std::max(most, testsupport::contrastRatio(card.pixelColor(card.width() / 2, y), ObserverTheme::background));
    return most;
}

QWidget* cards() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(14);

    auto* card = new ObserverSurface;
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(22, 22, 22, 22);
    auto* rate = new QLabel(QStringLiteral("12.5 MB/s"));
    rate->setFont(ObserverTheme::systemFont(42, QFont::DemiBold));
    cardLayout->addWidget(rate);
    cardLayout->addWidget(new QLabel(QStringLiteral("읽기 · 관측 구간 활동 없음")));
    layout->addWidget(card);

    auto* content = new QWidget;
    auto* contentLayout = new QHBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addWidget(new ObserverSymbolView(QStringLiteral("externaldrive"), 15, ObserverTheme::accent));
    contentLayout->addWidget(new QLabel(QStringLiteral("연결 확인됨 — 기억한 SSD")));
    layout->addWidget(new ObservationSection(QStringLiteral("연결 상태"), content));
    layout->addWidget(new ObservationSection(QStringLiteral("짧은 내용도 폭 전체"), new QLabel(QStringLiteral("—"))));
    column->setMinimumWidth(520);
    return column;
}
}  // namespace

TEST_F(ThemeScreenshots, Cards) {
    (new QVBoxLayout(&root_))->addWidget(cards());
    capture(QStringLiteral("theme-cards"));
    const QImage standard = root_.grab().toImage();
    std::vector<std::pair<const ObserverSurface*, double>> outlines;  // each card, and its outline's contrast
    for (const ObserverSurface* card : root_.findChildren<ObserverSurface*>())
        outlines.push_back({card, outlineContrast(drawn(*card))});
    ASSERT_EQ(outlines.size(), 3u);  // the card and both sections
    ObserverTheme::setIncreasedContrast(true);
    QCoreApplication::processEvents();
    quentrel::testing::writeScreenshot(root_, QStringLiteral("theme-cards-increased-contrast"));
    EXPECT_NE(root_.grab().toImage(), standard);
    // Every card's outline stands out more.
    for (const auto& [card, before] : outlines) EXPECT_GT(outlineContrast(drawn(*card)), before);
    ObserverTheme::setIncreasedContrast(false);
}

TEST_F(ThemeScreenshots, ActionButtons) {
    auto* grid = new QGridLayout(&root_);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(12);
    const QString states[] = {QStringLiteral("normal"), QStringLiteral("pressed"), QStringLiteral("disabled")};
    for (int column = 0; column < 3; ++column) grid->addWidget(caption(states[column]), 0, column + 1);
    struct Row {
        const char* caption;
        bool prominent;
        const char* title;
        const char* symbol;
    } rows[] = {
        {"prominent", true, "대시보드 열기", ""},
        {"prominent + symbol", true, "Finder에서 열기", "folder"},
        {"plain", false, "관측 설정 초기화", ""},
        {"plain + symbol", false, "새 세션", "plus"},
    };
    ObserverActionButton* buttons[4][3];
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(caption(QString::fromUtf8(rows[row].caption)), row + 1, 0);
        for (int state = 0; state < 3; ++state) {
            auto* button = new ObserverActionButton(QString::fromUtf8(rows[row].title), rows[row].prominent);
            buttons[row][state] = button;
            button->setSymbol(QString::fromUtf8(rows[row].symbol));
            button->setDown(state == 1);
            button->setEnabled(state != 2);
            grid->addWidget(button, row + 1, state + 1);
        }
    }
    capture(QStringLiteral("theme-action-buttons"));
    // Along each row the fill (left of the title) stands out less: pressed, then disabled.
    for (int row = 0; row < 4; ++row) {
        double contrast[3];
        for (int state = 0; state < 3; ++state)
            contrast[state] =
                testsupport::contrastRatio(drawn(*buttons[row][state]).pixelColor(6, 20), ObserverTheme::background);
        EXPECT_TRUE(contrast[0] > contrast[1] && contrast[1] > contrast[2] && contrast[2] > 1.0) << rows[row].caption;
    }
}

TEST_F(ThemeScreenshots, IconButtons) {
    auto* grid = new QGridLayout(&root_);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setSpacing(12);
    struct State {
        const char* caption;
        bool highlighted, enabled;
    } states[] = {{"plain", false, true}, {"highlighted", true, true}, {"disabled", false, false}, {"highlighted, disabled", true, false}};
    const char* symbols[] = {"macwindow", "folder", "pause.fill", "gearshape", "xmark"};
    ObserverIconButton* buttons[4][5];
    for (int column = 0; column < 4; ++column) {
        grid->addWidget(caption(QString::fromUtf8(states[column].caption)), 0, column);
        for (int row = 0; row < 5; ++row) {
            buttons[column][row] = new ObserverIconButton(QStringLiteral("도움말"), QString::fromUtf8(symbols[row]),
                                                          states[column].highlighted, states[column].enabled,
                                                          QStringLiteral("icon"), {});
            grid->addWidget(buttons[column][row], row + 1, column, Qt::AlignHCenter);
        }
    }
    capture(QStringLiteral("theme-icon-buttons"));
    // Only a highlighted button that is enabled draws its glyph in the accent itself.
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(accentPixels(drawn(*buttons[column][row])) > 0,
                      states[column].highlighted && states[column].enabled)
                << states[column].caption << " " << symbols[row];
}

TEST_F(ThemeScreenshots, Toggles) {
    auto* layout = new QVBoxLayout(&root_);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(10);
    std::vector<BoundToggle*> switches;
    for (bool asSwitch : {false, true})
        for (int state = 0; state < 3; ++state) {
            auto* toggle = new BoundToggle(state == 2 ? QStringLiteral("로그인 시 실행 (사용 불가)")
                                                      : state ? QStringLiteral("기억한 SSD의 연결 변화 알림 (켜짐)")
                                                              : QStringLiteral("백그라운드 I/O 관측 (꺼짐)"));
            toggle->setSwitch(asSwitch);
            toggle->setValue(state == 1);
            toggle->setEnabled(state != 2);
            if (asSwitch) {
                toggle->setMinimumWidth(360);
                switches.push_back(toggle);
            }
            layout->addWidget(toggle);
        }
    capture(QStringLiteral("theme-toggles"));
    // A switch's track is the accent while it is on, and only then.
    for (const BoundToggle* toggle : switches)
        EXPECT_EQ(accentPixels(drawn(*toggle).copy(toggle->focusRingRect().toRect())) > 0, toggle->isChecked())
            << toggle->text().toStdString();
}

// A process's fonts are matched for the locale it starts in, so the next test runs this one once
// in each locale: the same text in the theme's font at 400, 600 and 700, its ink on stdout.
TEST_F(ThemeScreenshots, WeightsInOneLocale) {
    const QString locale = qEnvironmentVariable("KAVRINET_WEIGHTS_LOCALE");
    if (locale.isEmpty()) GTEST_SKIP() << "run in each locale by ThemeWeights.*";
    for (const int weight : {400, 600, 700}) {
        QImage image(420, 40, QImage::Format_Grayscale8);
        image.fill(255);
        QPainter painter(&image);
        painter.setFont(ObserverTheme::systemFont(22, QFont::Weight(weight)));
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Kavrinet · 최근 5분 · 12.3 MB/s"));
        painter.end();
        long ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) ink += 255 - image.constScanLine(y)[x];
        EXPECT_GT(ink, 0) << weight;
        std::printf("ink %d %ld\n", weight, ink / 255);
        quentrel::testing::writeScreenshot(image, QStringLiteral("theme-weight-%1-%2").arg(locale).arg(weight));
    }
}

TEST(ThemeWeights, BoldAddsAsMuchInkUnderKoreanAsUnderEnglish) {
    QTemporaryDir locales;
    std::map<QString, std::map<int, double>> ink;
    for (const QString& locale : {QStringLiteral("en_US"), QStringLiteral("ko_KR")}) {
        const QString name = locale + QStringLiteral(".UTF-8");
        const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("-i"), locale, QStringLiteral("-f"), QStringLiteral("UTF-8")};
        QProcess::execute(QStringLiteral("localedef"), arguments + QStringList{locales.filePath(name)});
        if (!QFile::exists(locales.filePath(name + QStringLiteral("/LC_CTYPE"))))
            GTEST_SKIP() << "localedef cannot make " << qPrintable(name);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANGUAGE", "FC_LANG"})
            environment.remove(QLatin1String(variable));
        environment.insert(QStringLiteral("LANG"), name);
        environment.insert(QStringLiteral("LOCPATH"), locales.path());
        environment.insert(QStringLiteral("KAVRINET_WEIGHTS_LOCALE"), locale);
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ThemeScreenshots.WeightsInOneLocale")});
        ASSERT_TRUE(run.waitForFinished(300'000)) << qPrintable(name);
        EXPECT_EQ(run.exitCode(), 0) << qPrintable(name);
        for (const QByteArray& line : run.readAllStandardOutput().split('\n'))
            if (const auto words = line.split(' '); words.size() == 3 && words[0] == "ink")
                ink[locale][words[1].toInt()] = words[2].toDouble();
        ASSERT_EQ(ink[locale].size(), 3u) << qPrintable(name);
    }
    for (const int weight : {600, 700}) {
        const double english = ink["en_US"][weight] - ink["en_US"][400], korean = ink["ko_KR"][weight] - ink["ko_KR"][400];
        EXPECT_GT(korean, 0.3 * ink["ko_KR"][400]) << weight;
        EXPECT_NEAR(korean / english, 1.0, 0.1) << weight << ": +" << korean << " under ko_KR, +" << english << " under en_US";
    }
}
