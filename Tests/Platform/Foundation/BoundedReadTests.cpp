#include "Platform/Foundation/BoundedRead.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

#include "TemporaryFolder.h"

using namespace platform;

TEST(BoundedRead, ReadsFilesUpToTheCapAndRefusesLargerOnes) {
    TemporaryFolder folder;
    TemporaryFolder::writeFile(folder / "exact", std::string(64, 'a'));
    TemporaryFolder::writeFile(folder / "over", std::string(65, 'b'));
    TemporaryFolder::writeFile(folder / "empty", "");

    BoundedRead exact = readBounded(folder / "exact", 64);
    EXPECT_EQ(exact.status, BoundedReadStatus::read);
    EXPECT_EQ(exact.bytes, Data(64, 'a'));

    BoundedRead over = readBounded(folder / "over", 64);
    EXPECT_EQ(over.status, BoundedReadStatus::tooLarge);
    EXPECT_TRUE(over.bytes.empty());

    BoundedRead empty = readBounded(folder / "empty", 0);
    EXPECT_EQ(empty.status, BoundedReadStatus::read);
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_EQ(readBounded(folder / "exact", 0).status, BoundedReadStatus::tooLarge);
}

TEST(BoundedRead, TellsMissingApartFromLinksFoldersFIFOsAndErrors) {
    TemporaryFolder folder;
    TemporaryFolder::writeFile(folder / "real", "content");
    std::filesystem::create_symlink(folder / "real", folder / "link");
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling");
    std::filesystem::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);  // must not block: nobody writes

    EXPECT_EQ(readBounded(folder / "missing", 100).status, BoundedReadStatus::missing);
    EXPECT_EQ(readBounded(folder / "link", 100).status, BoundedReadStatus::notRegularFile);
    EXPECT_EQ(readBounded(folder / "dangling", 100).status, BoundedReadStatus::notRegularFile);
    EXPECT_EQ(readBounded(folder / "link", 100, FinalLink::follow).bytes, (Data{'c', 'o', 'n', 't', 'e', 'n', 't'}));
    EXPECT_EQ(readBounded(folder / "dangling", 100, FinalLink::follow).status, BoundedReadStatus::missing);
    EXPECT_EQ(readBounded(folder / "folder", 100).status, BoundedReadStatus::notRegularFile);
    EXPECT_EQ(readBounded(folder / "fifo", 100).status, BoundedReadStatus::notRegularFile);
    EXPECT_EQ(readBounded("/dev/null", 100).status, BoundedReadStatus::notRegularFile);

    BoundedRead throughFile = readBounded(folder / "real/below", 100);
    EXPECT_EQ(throughFile.status, BoundedReadStatus::ioError);
    EXPECT_EQ(throughFile.error, ENOTDIR);
}
