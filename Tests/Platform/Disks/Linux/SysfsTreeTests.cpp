#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <thread>

#include "Doubles/SysfsFixture.h"
#include "Platform/Disks/Linux/SysfsReadBatch.h"
#include "Platform/Disks/Linux/SysfsTree.h"

using namespace platform;
namespace fs = std::filesystem;

// Paths resolve as the C library resolves them, whichever way the links point.
TEST(SysfsTree, canonicalPathsAreThoseOfRealpath) {
    SysfsFixture fixture;
    const std::string root = fixture.root();
    fs::create_directories(root + "/devices/a/b");
    fixture.write(root + "/devices/a/file", "x\n");
    fs::create_directory_symlink("../devices/a/b", root + "/class/relative");
    fs::create_directory_symlink(root + "/devices/a", root + "/class/absolute");
    fs::create_symlink("relative", root + "/class/chained");
    fs::create_symlink("missing", root + "/class/dangling");
    fs::create_symlink("loop", root + "/class/loop");
    SysfsTree tree(root);
    for (std::string path : {"/class/relative", "/class/absolute/b", "/class/chained", "/class/relative/..",
                             "/class/chained/../b/.", "/class/absolute//b/", "/class/dangling", "/class/loop",
                             "/devices/a/file/b", "/devices/a/file/", "/devices/a/file/.", "/"}) {
        char* expected = ::realpath((root + path).c_str(), nullptr);
        EXPECT_EQ(tree.canonical(root + path), expected ? std::optional<std::string>(expected) : std::nullopt) << path;
        ::free(expected);
    }
}

// Within a batch its thread keeps the first answers; other threads, and every later read, see the
// tree as it is.
TEST(SysfsTree, aReadBatchKeepsAnswersOnlyForItsThreadAndItsLifetime) {
    SysfsFixture fixture;
    auto disk = fixture.addUsbSsd();
    SysfsTree tree(fixture.root());
    auto changed = [&] {
        fixture.write(disk + "/size", "8\n");
        fs::remove_all(disk + "/sdb1");
        fs::remove(fixture.root() + "/class/block/sdb1");
    };
    auto read = [&] {
        return std::tuple{tree.attribute(disk, "size"), tree.isPartition(disk + "/sdb1"), tree.blockPath("sdb1")};
    };
    auto before = read();
    {
        auto batch = SysfsReadBatch::open();
        ASSERT_TRUE(batch);
        EXPECT_FALSE(SysfsReadBatch::open());  // one batch per thread; the inner one changes nothing
        EXPECT_EQ(read(), before);
        changed();
        EXPECT_EQ(read(), before);
        std::tuple<std::optional<std::string>, bool, std::optional<std::string>> elsewhere;
        std::thread([&] { elsewhere = read(); }).join();
        EXPECT_EQ(elsewhere, std::tuple(std::optional<std::string>("8"), false, std::optional<std::string>()));
    }
    EXPECT_EQ(read(), std::tuple(std::optional<std::string>("8"), false, std::optional<std::string>()));
}
