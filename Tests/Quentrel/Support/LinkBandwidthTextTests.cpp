#include "Quentrel/Support/LinkBandwidthText.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "Quentrel/Support/TransferRate.h"

using namespace quentrel;
using wendmark::LinkBandwidth;

namespace {
LinkBandwidthText text(std::uint64_t bits) { return {LinkBandwidth{LinkBandwidth::Transport::usb, bits}}; }

// Makes a locale whose decimal separator is a comma in a fresh folder and selects it for the
// whole process, as the UI app's QApplication selects the user's. Debian's base system compiles
// no such locale, so the test builds a minimal one with localedef; restores "C" when it ends.
class CommaLocale {
public:
    CommaLocale() {
        folder_ = std::filesystem::temp_directory_path() / ("kavrinet-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / "source") << "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\n"
                                             "grouping 3;3\nEND LC_NUMERIC\n";
        const std::string command = "localedef -c -i '" + (folder_ / "source").string() + "' '" +
                                    (folder_ / "xx_XX").string() + "' >/dev/null 2>&1";
        (void)std::system(command.c_str());
        ::setenv("LOCPATH", folder_.c_str(), 1);
        active_ = std::setlocale(LC_ALL, "xx_XX") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool active() const { return active_; }

private:
    std::filesystem::path folder_;
    bool active_ = false;
};
}  // namespace

TEST(LinkBandwidthText, RateAndNominalBytesFollowTheTable) {
    struct Case {
        std::uint64_t bits;
        const char* rate;
        const char* nominal;
    } cases[] = {
        {0, "0 Mb/s", "0 B/s"},
        {500'000, "0.5 Mb/s", "62.5 KB/s"},
        {12'000'000, "12 Mb/s", "1.5 MB/s"},
        {480'000'000, "480 Mb/s", "60.0 MB/s"},
        {999'999'999, "1000.0 Mb/s", "125 MB/s"},
        {1'000'000'000, "1 Gb/s", "125 MB/s"},
        {5'000'000'000, "5 Gb/s", "625 MB/s"},
        {20'000'000'000, "20 Gb/s", "2.5 GB/s"},
        {40'000'000'000, "40 Gb/s", "5.0 GB/s"},
        // Exact ties of the nominal byte rate round to even (187.5 and 312.5).
        {1'500'000, "1.5 Mb/s", "188 KB/s"},
        {2'500'000'000, "2.5 Gb/s", "312 MB/s"},
        {UINT64_MAX, "18446744073.7 Gb/s", "2305843009 GB/s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text(c.bits).rate(), c.rate) << c.bits;
        EXPECT_EQ(text(c.bits).nominalBytes(), c.nominal) << c.bits;
    }
}

TEST(LinkBandwidthText, ExplanationIsTheFixedHelpText) {
    EXPECT_EQ(LinkBandwidthText::explanation,
              "연결 경로의 규격 상한입니다. 8비트=1바이트로 환산하며 통신 처리·다른 장치와의 공유 여유분을 포함합니다. "
              "SSD·HDD의 실제 최대 읽기·쓰기 성능을 뜻하지 않습니다.");
}

TEST(LinkBandwidthText, TextsKeepThePointInACommaLocale) {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 1.5);
    ASSERT_STREQ(printed, "1,5") << "the locale is not in effect";

    EXPECT_EQ(text(500'000).rate(), "0.5 Mb/s");
    EXPECT_EQ(text(20'000'000'000).nominalBytes(), "2.5 GB/s");
    EXPECT_EQ(TransferRate::withUnit(1'234'567), "1.2 MB/s");
    EXPECT_EQ(TransferRate(1'234'567'890'123.0).value(), "1235");
}
