#include "Platform/Foundation/PlistDefaultsDatabase.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <tuple>

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

    defaults.flush();  // retried: the same failure is not logged again
    EXPECT_EQ(log->records().size(), 1u);

    std::filesystem::remove(folder / "d.plist");
    defaults.set(2, "other");
    defaults.flush();
    EXPECT_FALSE(defaults.lastWriteError());
    EXPECT_EQ(fileContents(folder / "d.plist"), (PropertyDictionary{{"flag", true}, {"other", 2}}));
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

// The folders are shared: other programs' temporaries, named alike and left by killed writers,
// survive beside the settings file and beside the file its link leads to (a dotfiles folder).
TEST(PlistDefaultsDatabase, OpeningRemovesOnlyItsOwnTemporariesBesideTheFileAndBehindItsLink) {
    TemporaryFolder root;
    for (const char* folder : {"config", "dotfiles"}) std::filesystem::create_directories(root / folder);
    TemporaryFolder::writeFile(root / "dotfiles/kavrinet.plist", "<plist><dict/></plist>");
    std::filesystem::create_symlink("../dotfiles/kavrinet.plist", root / "config/d.plist");
    for (const char* file : {"config/d.plist", "config/other.plist", "dotfiles/kavrinet.plist", "dotfiles/bashrc"})
        StoppedWriter(root / file).kill();
    PlistDefaultsDatabase defaults("d", root / "config/d.plist");
    std::set<std::string> left;  // folder and name, the name up to its temporary marker
    for (const char* folder : {"config", "dotfiles"})
        for (const auto& entry : std::filesystem::directory_iterator(root / folder)) {
            const std::string name = entry.path().filename();
            left.insert(std::string(folder) + "/" + name.substr(0, name.find(".tmp-")));
        }
    EXPECT_EQ(left, (std::set<std::string>{"config/d.plist", "config/.other.plist", "dotfiles/kavrinet.plist",
                                           "dotfiles/.bashrc"}));
}

TEST(PlistDefaultsDatabase, ALinkIsReadAndWrittenThroughAndStays) {
    namespace fs = std::filesystem;
    // The link's target, what stands there first, and whether a change reaches it; the last a loop.
    for (auto [link, made, written] : std::initializer_list<std::tuple<const char*, std::string_view, bool>>{
             {"dotfiles/d.plist", "file", true}, {"dotfiles/d.plist", "", true}, {"absent/d.plist", "", false},
             {"dotfiles/d.plist", "folder", false}, {"d.plist", "", false}}) {
        TemporaryFolder root;
        fs::create_directory(root / "dotfiles");
        const fs::path end = root / link;
        if (made == "file") TemporaryFolder::writeFile(end, "<plist><dict><key>kept</key><true/></dict></plist>");
        if (made == "folder") fs::create_directory(end);
        fs::create_symlink(link, root / "d.plist");
        const fs::file_type before = fs::symlink_status(end).type();
        PlistDefaultsDatabase defaults("d", root / "d.plist");
        defaults.set(defaults.boolForKey("kept"), "new");  // tells whether the link's file was read
        defaults.flush();
        EXPECT_EQ(fs::read_symlink(root / "d.plist"), link);
        EXPECT_EQ(fs::symlink_status(end).type(), written ? fs::file_type::regular : before) << link << " " << made;
        EXPECT_TRUE(!written || fileContents(end).at("new") == PropertyValue(made == "file")) << link << " " << made;
    }
}
