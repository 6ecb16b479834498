#include "Platform/Foundation/AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "StoppedWriter.h"
#include "TemporaryFolder.h"

using namespace platform;

TEST(AtomicFile, ReplacesTheFileUserOnlyAndLeavesNoTemporary) {
    TemporaryFolder folder;
    std::filesystem::path file = folder / "settings/store.json";  // the folder is created
    AtomicFile::write(file, std::string_view("first"));
    AtomicFile::write(file, std::string_view("second, longer"));
    EXPECT_EQ(TemporaryFolder::readFile(file), "second, longer");

    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(file.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);

    AtomicFile::write(file, std::string_view(""));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST(AtomicFile, ReplacesASymbolicLinkInsteadOfWritingThroughIt) {
    TemporaryFolder folder;
    TemporaryFolder::writeFile(folder / "target", "outside");
    std::filesystem::create_symlink(folder / "target", folder / "file");
    AtomicFile::write(folder / "file", std::string_view("inside"));
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "file"));
    EXPECT_EQ(TemporaryFolder::readFile(folder / "file"), "inside");
    EXPECT_EQ(TemporaryFolder::readFile(folder / "target"), "outside");
}

TEST(AtomicFile, AFailedReplacementThrowsKeepsTheOldFileAndRemovesTheTemporary) {
    TemporaryFolder folder;
    // rename fails: a folder stands at the destination.
    std::filesystem::create_directory(folder / "taken");
    EXPECT_THROW(AtomicFile::write(folder / "taken", std::string_view("x")), AtomicFileError);
    EXPECT_EQ(folder.entryCount(), 1u);

    // the temporary cannot be created: the parent is a file.
    TemporaryFolder::writeFile(folder / "plain", "old");
    EXPECT_THROW(AtomicFile::write(folder / "plain/child", std::string_view("x")), AtomicFileError);
    EXPECT_EQ(TemporaryFolder::readFile(folder / "plain"), "old");
    EXPECT_EQ(folder.entryCount(), 2u);
}

namespace {

// Run in a child process: with writes past 4 KiB failing (EFBIG after a partial write), the
// replacement must fail and leave the old file and nothing else. Exits 0 when it does.
[[noreturn]] void writePastTheFileSizeLimit(const TemporaryFolder& folder, const std::filesystem::path& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
        AtomicFile::write(file, std::string(100000, 'x'));
    } catch (const AtomicFileError& error) {
        bool intact = TemporaryFolder::readFile(file) == "good" && folder.entryCount() == 1 &&
                      error.code() == std::errc::file_too_large;
        std::_Exit(intact ? 0 : 2);
    }
    std::_Exit(1);
}

}  // namespace

TEST(AtomicFile, AWriteCutShortByTheFileSizeLimitIsAnErrorNotAShortFile) {
    TemporaryFolder folder;
    std::filesystem::path file = folder / "data.json";
    TemporaryFolder::writeFile(file, "good");
    EXPECT_EXIT(writePastTheFileSizeLimit(folder, file), ::testing::ExitedWithCode(0), "");
}

TEST(AtomicFile, OnlyTemporariesOfWritersThatAreGoneAreRemoved) {
    TemporaryFolder folder;
    const std::filesystem::path file = folder / "store.json";
    TemporaryFolder::writeFile(file, "good");

    StoppedWriter writer(file);
    ASSERT_EQ(folder.entryCount(), 2u) << "the writer's temporary file";
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(file), 0u) << "its writer is alive";
    writer.kill();
    const std::string dead = std::to_string(writer.pid());

    // A temporary whose pid means nothing here but whose lock is held: a writer in another pid
    // namespace. And names that are not temporary files of this destination, or not files.
    const std::filesystem::path locked = folder / (".store.json.tmp-" + dead + "-Ab12Cd");
    TemporaryFolder::writeFile(locked, "in flight");
    int lock = ::open(locked.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    std::set<std::string> kept = {"store.json", locked.filename().string()};
    for (std::string name : {"store.json.tmp-" + dead + "-abcdef", ".store.json.tmp-" + dead + "-abcde",
                             ".tmp-" + dead + "-abcdef", ".store.json.tmp-" + dead + "-abc_ef",
                             ".store.json.tmp-x" + dead + "-abcdef", ".store.json." + dead + ".abcdef",
                             ".other.plist.tmp-" + dead + "-abcdef", ".store.jsonx.tmp-" + dead + "-abcdef",
                             ".tore.json.tmp-" + dead + "-abcdef"}) {
        TemporaryFolder::writeFile(folder / name, "not ours");
        kept.insert(name);
    }
    std::filesystem::create_directory(folder / (".store.json.tmp-" + dead + "-abcdeF"));
    std::filesystem::create_symlink(file, folder / (".store.json.tmp-" + dead + "-abcdeL"));
    kept.insert({".store.json.tmp-" + dead + "-abcdeF", ".store.json.tmp-" + dead + "-abcdeL"});

    EXPECT_EQ(AtomicFile::removeStaleTemporaries(file), 1u) << "the killed writer's file";
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) names.insert(entry.path().filename());
    EXPECT_EQ(names, kept);
    EXPECT_EQ(TemporaryFolder::readFile(file), "good");

    ::close(lock);
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(file), 1u) << "its lock is free now";
    EXPECT_FALSE(std::filesystem::exists(locked));
}
