#include "Platform/Foundation/PlistDefaultsDatabase.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>

#include <sys/stat.h>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/PropertyList.h"
#include "StoppedWriter.h"
#include "TemporaryFolder.h"

using namespace platform;

namespace {

PropertyDictionary fileContents(const std::filesystem::path& file) {
    std::string bytes = TemporaryFolder::readFile(file);
    auto value = PropertyList::parse(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    return value && value->is<PropertyDictionary>() ? *value->get<PropertyDictionary>() : PropertyDictionary{{"corrupt", true}};
}

}  // namespace

TEST(PlistDefaultsDatabase, ChangesAreWrittenWithTheirTypesAndReadBackByTheNextRun) {
    TemporaryFolder folder;
    FileLocations locations([&](const std::string& name) -> std::optional<std::string> {
        if (name == "XDG_CONFIG_HOME") return (folder / "config").string();
        return std::nullopt;
    });
    auto file = PlistDefaultsDatabase::fileForDomain("local.mirosal.Kavrinet", locations);
    ASSERT_EQ(file, folder / "config/local.mirosal.Kavrinet.plist");
    {
        PlistDefaultsDatabase defaults("local.mirosal.Kavrinet", file);
        defaults.registerDefaults({{"onboardingCompleted", false}});
        defaults.set(true, "showStatusOnLaunch");
        defaults.set(2, "productSettingsSchemaVersion");
        defaults.set(Data{'{', '}'}, "observationTarget");
        defaults.set(1, "gone");
        defaults.removeObject("gone");
        defaults.flush();
        EXPECT_FALSE(defaults.lastWriteError());
        defaults.set(false, "backgroundPolling");  // written when the database goes
    }
    PropertyDictionary expected{{"showStatusOnLaunch", true},
                                {"backgroundPolling", false},
                                {"productSettingsSchemaVersion", 2},
                                {"observationTarget", Data{'{', '}'}}};
    EXPECT_EQ(fileContents(*file), expected);  // registered defaults are not written

    PlistDefaultsDatabase again("local.mirosal.Kavrinet", file);
    EXPECT_EQ(again.persistentDomain("local.mirosal.Kavrinet"), expected);
    EXPECT_TRUE(again.object("showStatusOnLaunch")->is<bool>());
    EXPECT_EQ(again.dataForKey("observationTarget"), (Data{'{', '}'}));

    EXPECT_EQ(PlistDefaultsDatabase::fileForDomain("../escape", locations), std::nullopt);
    EXPECT_EQ(PlistDefaultsDatabase::fileForDomain("", locations), std::nullopt);
}

TEST(PlistDefaultsDatabase, ACorruptOrForeignFileStartsEmptyAndIsKeptUntilTheNextChange) {
    TemporaryFolder folder;
    std::filesystem::path file = folder / "d.plist";
    // Nested far deeper than the library could parse without overflowing the stack.
    std::string deep = "<plist><dict><key>k</key>";
    for (int i = 0; i < 200'000; ++i) deep += "<array>";
    for (int i = 0; i < 200'000; ++i) deep += "</array>";
    deep += "</dict></plist>";
    for (const std::string& contents : {std::string("garbage"), std::string("<plist><array><integer>1</integer></array></plist>"), deep}) {
        TemporaryFolder::writeFile(file, contents);
        PlistDefaultsDatabase defaults("d", file);
        EXPECT_EQ(defaults.persistentDomain("d"), PropertyDictionary{});
        defaults.registerDefaults({{"x", 1}});
        defaults.flush();
        EXPECT_TRUE(TemporaryFolder::readFile(file) == contents);
        defaults.set(false, "backgroundPolling");
        defaults.flush();
        EXPECT_EQ(fileContents(file), (PropertyDictionary{{"backgroundPolling", false}}));
    }
}

TEST(PlistDefaultsDatabase, ChangesAreReadFromMemoryAndABurstIsWrittenBehindOnce) {
    TemporaryFolder folder;
    auto time = VirtualTime::make();
    PlistDefaultsDatabase defaults("d", folder / "d.plist", time->makeQueue("defaults"));
    for (int i = 0; i < 5; ++i) defaults.set(i, "key" + std::to_string(i));
    defaults.removeObject("key0");
    EXPECT_EQ(defaults.object("key4"), PropertyValue(4));
    EXPECT_FALSE(std::filesystem::exists(folder / "d.plist")) << "nothing is written on the caller's thread";
    EXPECT_EQ(time->pendingCount(), 1u) << "one write for the whole burst";

    time->advance(PlistDefaultsDatabase::writeDelaySeconds);
    EXPECT_EQ(fileContents(folder / "d.plist"), (PropertyDictionary{{"key1", 1}, {"key2", 2}, {"key3", 3}, {"key4", 4}}));
    EXPECT_EQ(time->pendingCount(), 0u);
    defaults.flush();  // nothing left to write
    EXPECT_EQ(time->pendingCount(), 0u);
}

TEST(PlistDefaultsDatabase, AFailedWriteIsLoggedKeepsTheValueAndIsRetriedAtTheNextChange) {
    auto log = std::make_shared<CapturingLogSink>();
    std::shared_ptr<LogSink> previous = defaultLogSink();
    setDefaultLogSink(log);
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "d.plist");  // a folder where the file belongs
    PlistDefaultsDatabase defaults("d", folder / "d.plist");
    defaults.set(true, "flag");
    defaults.flush();
    EXPECT_TRUE(defaults.lastWriteError());
    EXPECT_EQ(defaults.object("flag"), PropertyValue(true));
    ASSERT_EQ(log->records().size(), 1u);
    EXPECT_EQ(log->records()[0].level, LogLevel::error);
    EXPECT_EQ(log->records()[0].subsystem, "d");

    defaults.set(1, "again");  // the same failure once more: retried, not logged again
    defaults.flush();
    EXPECT_TRUE(defaults.lastWriteError());
    EXPECT_EQ(log->records().size(), 1u);

    std::filesystem::remove(folder / "d.plist");
    defaults.set(2, "other");
    defaults.flush();
    EXPECT_FALSE(defaults.lastWriteError());
    EXPECT_EQ(fileContents(folder / "d.plist"), (PropertyDictionary{{"flag", true}, {"again", 1}, {"other", 2}}));
    setDefaultLogSink(previous);

    PlistDefaultsDatabase memoryOnly("d", std::nullopt);
    memoryOnly.set(true, "flag");
    memoryOnly.flush();
    EXPECT_FALSE(memoryOnly.lastWriteError());
    EXPECT_TRUE(memoryOnly.boolForKey("flag"));
}

TEST(PlistDefaultsDatabase, OpeningRemovesTheTemporariesOfKilledWritersOnly) {
    TemporaryFolder folder;
    StoppedWriter killed(folder / "d.plist");
    killed.kill();
    StoppedWriter otherProgram(folder / "other.plist");  // still writing
    ASSERT_EQ(folder.entryCount(), 2u);
    PlistDefaultsDatabase defaults("d", folder / "d.plist");
    std::vector<std::filesystem::path> left(std::filesystem::directory_iterator(folder.path()), {});
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].filename().string().starts_with(".other.plist.tmp-" + std::to_string(otherProgram.pid()) + "-"));
}

TEST(PlistDefaultsDatabase, ALinkedFileIsReadAndWrittenThroughItsLinkWhichStays) {
    namespace fs = std::filesystem;
    const std::string stored = "<plist><dict><key>onboardingCompleted</key><true/></dict></plist>";
    struct Case {
        const char* name;
        const char* link;       // the link at the settings path (relative to the config folder)
        const char* target;     // what is at the link's end, made first: "file", "folder", "fifo" or nothing
        bool readsStored;
        bool written;           // a change reaches the link's end, else the write fails and nothing moves
    };
    for (const Case& c : std::initializer_list<Case>{
             {"a relative link to a file elsewhere", "../dotfiles/d.plist", "file", true, true},
             {"a chain of two links", "chain", "file", true, true},
             {"a dangling link into an existing folder", "../dotfiles/d.plist", nullptr, false, true},
             {"a dangling link into a missing folder", "../absent/d.plist", nullptr, false, false},
             {"a link to a folder", "../dotfiles/d.plist", "folder", false, false},
             {"a link to a FIFO", "../dotfiles/d.plist", "fifo", false, false},
             {"a loop", "d.plist", nullptr, false, false},
         }) {
        SCOPED_TRACE(c.name);
        TemporaryFolder root;
        fs::create_directories(root / "config");
        fs::create_directories(root / "dotfiles");
        const fs::path file = root / "config/d.plist";
        fs::path end = root / "dotfiles/d.plist";
        if (std::string_view(c.link) == "chain") {
            fs::create_symlink(end, root / "config/hop");
            fs::create_symlink("hop", file);
        } else {
            fs::create_symlink(c.link, file);
            end = file.parent_path() / c.link;
        }
        const std::string target = c.target ? c.target : "";
        if (target == "file") TemporaryFolder::writeFile(end, stored);
        if (target == "folder") fs::create_directory(end);
        if (target == "fifo") {
            ASSERT_EQ(::mkfifo(end.c_str(), 0600), 0);
        }
        const fs::path linkTarget = fs::read_symlink(file);

        PlistDefaultsDatabase defaults("d", file);
        EXPECT_EQ(defaults.boolForKey("onboardingCompleted"), c.readsStored);
        defaults.set(true, "showStatusOnLaunch");
        defaults.flush();
        EXPECT_EQ(!defaults.lastWriteError(), c.written);

        ASSERT_TRUE(fs::is_symlink(file));
        EXPECT_EQ(fs::read_symlink(file), linkTarget);
        EXPECT_EQ(fs::exists(root / "absent"), false);
        if (c.written) {
            EXPECT_EQ(fileContents(end).count("showStatusOnLaunch"), 1u);
            EXPECT_EQ(fileContents(end).count("onboardingCompleted"), c.readsStored ? 1u : 0u);
            struct stat st {};
            ASSERT_EQ(::stat(end.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
        }
        EXPECT_TRUE(target != "folder" || fs::is_empty(end));
        EXPECT_TRUE(target != "fifo" || fs::is_fifo(end));
        // Nothing but the link (and the chain's hop) and the link's end: no temporary file anywhere.
        const bool chain = std::string_view(c.link) == "chain";
        EXPECT_EQ(std::distance(fs::directory_iterator(root / "config"), {}), chain ? 2 : 1);
        EXPECT_EQ(std::distance(fs::directory_iterator(root / "dotfiles"), {}), target.empty() && !c.written ? 0 : 1);
    }
}
