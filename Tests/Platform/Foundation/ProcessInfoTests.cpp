#include "Platform/Foundation/ProcessInfo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

#include "CloseOnExecProbe.h"

using namespace platform;

namespace {

class OSRelease : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& text) {
        std::ofstream(path_) << text;
        return path_;
    }
    void TearDown() override { std::filesystem::remove(path_); }

    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("os-release-" + std::to_string(::getpid()));
};

const KernelVersion kernel{"Linux", "6.1.0-18-amd64"};

}  // namespace

TEST_F(OSRelease, PrettyNameThenNameAndVersionThenTheDefault) {
    auto path = write("# comment\nNAME=\"Debian GNU/Linux\"\nVERSION=\"12 (bookworm)\"\n"
                      "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n");
    EXPECT_EQ(operatingSystemVersionString(path, kernel), "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64)");

    write("NAME='Fedora Linux'\nVERSION=\"39 (Workstation \\\"Edition\\\")\"\nPRETTY_NAME=\n");
    EXPECT_EQ(operatingSystemVersionString(path, kernel),
              "Fedora Linux 39 (Workstation \"Edition\") (Linux 6.1.0-18-amd64)");

    write("NAME=Alpine\n");
    EXPECT_EQ(operatingSystemVersionString(path, std::nullopt), "Alpine");

    EXPECT_EQ(operatingSystemVersionString(path_ / "missing", kernel), "Linux (Linux 6.1.0-18-amd64)");
}

TEST_F(OSRelease, IsReadWithoutLeakingIntoChildrenOrWaitingOnAFIFO) {
    std::string text;
    EXPECT_FALSE(readLeaksADescriptorIntoChildren(path_, [&] { text = operatingSystemVersionString(path_, kernel); }));
    EXPECT_EQ(text, "Linux (Linux 6.1.0-18-amd64)");
}

TEST(ProcessInfo, TheParentFollowsTheStateAfterTheNamesLastParenthesis) {
    const struct {
        const char* stat;
        std::optional<std::int32_t> parent;
    } cases[] = {
        {"4242 (bash) S 1000 4242 4242 0 -1 4194560 2155 0 0 0", 1000},
        {"2 (kthreadd) S 0 0 0 0 -1 2129984", 0},
        {"4242 (Web Content) S 77 4242", 77},
        {"4242 (a) b (c)) R 9 4242", 9},
        {"4242 (1 (x) S 3) S 5 4242", 5},  // a name that reads like a line of its own
        {"4242 () S 6 4242", 6},
        {"4242 (x) S", std::nullopt},
        {"4242 (x) S - 4242", std::nullopt},
        {"4242 (x) S 99999999999 4242", std::nullopt},  // beyond any process identifier
        {"4242 x S 7 4242", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parentProcessIdentifierInStat(c.stat), c.parent) << c.stat;
    EXPECT_EQ(parentProcessIdentifier(processIdentifier()), ::getppid());
    EXPECT_EQ(parentProcessIdentifier(INT32_MAX), std::nullopt);  // no such process
}

TEST(ProcessInfo, ReportsThisProcess) {
    EXPECT_EQ(processIdentifier(), ::getpid());
    auto running = currentKernelVersion();
    ASSERT_TRUE(running);
    EXPECT_EQ(running->name, "Linux");
    std::string text = operatingSystemVersionString();
    EXPECT_NE(text.find(" (Linux " + running->release + ")"), std::string::npos) << text;
}
