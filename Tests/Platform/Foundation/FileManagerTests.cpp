#include "Platform/Foundation/FileManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TemporaryFolder.h"

using namespace platform;

TEST(FileManager, CreatesMissingFoldersUserOnlyAndRefusesAFileInTheWay) {
    TemporaryFolder folder;
    std::filesystem::path nested = folder / "a/b/c";
    EXPECT_FALSE(FileManager::createDirectories(nested));
    for (auto path : {folder / "a", folder / "a/b", nested}) {
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u) << path;
    }
    EXPECT_FALSE(FileManager::createDirectories(nested));  // already there

    TemporaryFolder::writeFile(folder / "file", "x");
    EXPECT_EQ(FileManager::createDirectories(folder / "file"), std::errc::not_a_directory);
    EXPECT_TRUE(FileManager::createDirectories(folder / "file/below"));
}

TEST(FileManager, AttributesDescribeTheItemItselfWithoutFollowingALink) {
    TemporaryFolder folder;
    TemporaryFolder::writeFile(folder / "file", "12345");
    std::filesystem::create_symlink(folder / "file", folder / "link");
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling");

    EXPECT_EQ(FileManager::attributesOfItem(folder / "file"), (FileAttributes{FileType::regular, 5}));
    EXPECT_EQ(FileManager::attributesOfItem(folder / "link")->type, FileType::symbolicLink);
    EXPECT_EQ(FileManager::attributesOfItem(folder / "dangling")->type, FileType::symbolicLink);
    EXPECT_EQ(FileManager::attributesOfItem(folder.path())->type, FileType::directory);
    EXPECT_EQ(FileManager::attributesOfItem(folder / "missing"), std::nullopt);
}
