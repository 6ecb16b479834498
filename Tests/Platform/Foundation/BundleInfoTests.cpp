#include "Platform/Foundation/BundleInfo.h"

#include <gtest/gtest.h>

#include "TemporaryFolder.h"

using namespace platform;

TEST(BundleInfo, FindsTheBundleFolderOnlyFromTheBundleLayout) {
    EXPECT_EQ(BundleInfo::bundlePathForExecutable("/opt/Kavrinet.app/Contents/MacOS/Kavrinet"),
              std::filesystem::path("/opt/Kavrinet.app"));
    EXPECT_EQ(BundleInfo::bundlePathForExecutable(
                  "/opt/Kavrinet.app/Contents/Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI"),
              std::filesystem::path("/opt/Kavrinet.app/Contents/Helpers/KavrinetUI.app"));
    EXPECT_EQ(BundleInfo::bundlePathForExecutable("/usr/bin/Kavrinet"), std::nullopt);
    EXPECT_EQ(BundleInfo::bundlePathForExecutable("/opt/Kavrinet/Contents/MacOS/Kavrinet"), std::nullopt);
    EXPECT_EQ(BundleInfo::bundlePathForExecutable("/opt/Kavrinet.app/MacOS/Kavrinet"), std::nullopt);
    EXPECT_EQ(BundleInfo::bundlePathForExecutable("/opt/.app/Contents/MacOS/Kavrinet"), std::nullopt);
}

TEST(BundleInfo, ReadsInfoPlistAndTreatsAMissingOrBrokenOneAsEmpty) {
    TemporaryFolder folder;
    std::filesystem::path bundle = folder / "Probe.app";
    std::filesystem::create_directories(bundle / "Contents");
    TemporaryFolder::writeFile(bundle / "Contents/Info.plist", R"(<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>local.test.Probe</string>
<key>CFBundleVersion</key><integer>7</integer>
</dict></plist>)");
    BundleInfo info = BundleInfo::forExecutable(bundle / "Contents/MacOS/Probe");
    EXPECT_EQ(info.bundlePath, bundle);
    EXPECT_EQ(info.bundleIdentifier, "local.test.Probe");
    ASSERT_NE(info.object("CFBundleVersion"), nullptr);
    EXPECT_TRUE(info.object("CFBundleVersion")->is<std::int64_t>());  // kept as the number it is
    EXPECT_EQ(info.object("CFBundleShortVersionString"), nullptr);

    for (std::string_view broken : {"<plist><dict>", "<plist><string>x</string></plist>",
                                    "<plist><dict><key>CFBundleIdentifier</key><integer>1</integer></dict></plist>"}) {
        TemporaryFolder::writeFile(bundle / "Contents/Info.plist", broken);
        BundleInfo reread = BundleInfo::load(bundle);
        EXPECT_EQ(reread.bundleIdentifier, std::nullopt) << broken;
    }
    std::filesystem::remove(bundle / "Contents/Info.plist");
    EXPECT_TRUE(BundleInfo::load(bundle).infoDictionary.empty());
    EXPECT_TRUE(BundleInfo::forExecutable("/usr/bin/true").infoDictionary.empty());
}

TEST(BundleInfo, TheMainBundleCanBeReplacedForATestAndComesBack) {
    std::optional<std::string> programIdentifier = mainBundle()->bundleIdentifier;
    {
        ScopedMainBundle scoped(BundleInfo{std::nullopt, std::nullopt, {{"CFBundleVersion", 3}}});
        EXPECT_EQ(mainBundle()->bundleIdentifier, std::nullopt);
        EXPECT_EQ(*mainBundle()->object("CFBundleVersion"), PropertyValue(3));
    }
    EXPECT_EQ(mainBundle()->bundleIdentifier, programIdentifier);
    setMainBundleProvider([] { return std::shared_ptr<const BundleInfo>(); });
    EXPECT_TRUE(mainBundle()->infoDictionary.empty());
    setMainBundleProvider(nullptr);
}

// What /proc/<pid>/exe reads once an upgrade has renamed a new file over the running program, or
// removed it: the program installed at the path, if there is one.
TEST(BundleInfo, AReplacedProgramIsTheOneNowInstalledAtItsPath) {
    TemporaryFolder folder;
    for (const char* file : {"Kavrinet", "Named (deleted)"}) TemporaryFolder::writeFile(folder / file, "");
    std::filesystem::create_directory(folder / "Folder");
    const std::pair<const char*, const char*> cases[] = {
        {"Kavrinet (deleted)", "Kavrinet"}, {"Named (deleted)", "Named (deleted)"}, {"Gone (deleted)", nullptr},
        {"Named (deleted) (deleted)", "Named (deleted)"}, {"Folder (deleted)", nullptr}, {"Kavrinet", "Kavrinet"}};
    for (const auto& [link, is] : cases)  // "Named (deleted)" is a file so named
        EXPECT_EQ(programAtExecutableLink(folder / link), is ? std::optional(folder / is) : std::nullopt) << link;
}
