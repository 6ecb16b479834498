#include "Platform/Foundation/ProcessInfo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

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

TEST(ProcessInfo, ReportsThisProcess) {
    EXPECT_EQ(processIdentifier(), ::getpid());
    auto running = currentKernelVersion();
    ASSERT_TRUE(running);
    EXPECT_EQ(running->name, "Linux");
    std::string text = operatingSystemVersionString();
    EXPECT_NE(text.find(" (Linux " + running->release + ")"), std::string::npos) << text;
}
