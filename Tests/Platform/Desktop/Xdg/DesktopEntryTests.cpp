#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/Xdg/DesktopEntry.h"

using namespace platform;
using Arguments = std::vector<std::string>;

TEST(DesktopEntry, ReadsTheMainGroupOnly) {
    auto entry = parseDesktopEntry(
        "# comment\n"
        "\n"
        "[Desktop Entry]\r\n"
        "  Exec = /bin/a\n"
        "Name[de]=Beobachter\n"
        "Hidden=false\n"
        "Hidden=true\n"
        "[Desktop Action other]\n"
        "Exec=/bin/other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry->raw("Exec"), "/bin/a");
    EXPECT_EQ(*entry->raw("Name[de]"), "Beobachter");
    EXPECT_EQ(entry->boolean("Hidden"), true);  // the later one wins
    EXPECT_EQ(entry->raw("Name"), nullptr);
}

TEST(DesktopEntry, RefusesWhatIsNoDesktopEntry) {
    static constexpr char withNul[] = "[Desktop Entry]\nExec=/bin/a\0b\n";
    for (std::string_view bytes : {
             std::string_view("Exec=/bin/a\n[Desktop Entry]\n"),  // a key before any group
             std::string_view("[Desktop Entry]\nExec /bin/a\n"),  // neither key nor header
             std::string_view("[Desktop Entry\nExec=/bin/a\n"),   // unclosed header
             std::string_view("[Other]\nExec=/bin/a\n"),          // no main group
             std::string_view("[Desktop Entry]\n=value\n"),       // no key
             std::string_view(withNul, sizeof withNul - 1),       // a NUL byte
             std::string_view(""),
         }) {
        EXPECT_EQ(parseDesktopEntry(bytes), std::nullopt) << bytes;
    }
}

TEST(DesktopEntry, BooleansAndStringEscapes) {
    auto entry = parseDesktopEntry("[Desktop Entry]\nA=true\nB=1\nC=false\nD=0\nE=yes\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->boolean("A"), true);
    EXPECT_EQ(entry->boolean("B"), true);
    EXPECT_EQ(entry->boolean("C"), false);
    EXPECT_EQ(entry->boolean("D"), false);
    EXPECT_EQ(entry->boolean("E"), std::nullopt);
    EXPECT_EQ(entry->boolean("F"), std::nullopt);

    EXPECT_EQ(unescapeDesktopString(R"(\sa\nb\tc\rd\\e)"), " a\nb\tc\rd\\e");
    EXPECT_EQ(unescapeDesktopString(R"(a\"b)"), std::nullopt);
    EXPECT_EQ(unescapeDesktopString("a\\"), std::nullopt);
    EXPECT_EQ(escapeDesktopString(" a b\\\n\t\r"), R"(\sa b\\\n\t\r)");
}

TEST(DesktopEntry, SplitsExecLinesAsTheDesktopsDo) {
    struct Case {
        std::string_view exec;
        std::optional<Arguments> expected;
    };
    const Case cases[] = {
        {R"(env A=b "/x y/z" --flag)", Arguments{"env", "A=b", "/x y/z", "--flag"}},
        {R"("a\"b\`c\$d\\e")", Arguments{"a\"b`c$d\\e"}},
        {R"("a\qb")", Arguments{"a\\qb"}},  // other backslashes stay inside quotes
        {R"('/a b' /c\ d)", Arguments{"/a b", "/c d"}},
        {R"("/a%%b" %U x%f)", Arguments{"/a%b", "x"}},  // field codes expand to nothing here
        {R"(/a "")", Arguments{"/a", ""}},
        {"  /a\t/b  ", Arguments{"/a", "/b"}},
        {R"("/a)", std::nullopt},
        {R"('/a)", std::nullopt},
        {R"(/a\)", std::nullopt},
        {R"(/a %z)", std::nullopt},
        {R"(/a 100%)", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(splitExecLine(c.exec), c.expected) << c.exec;
}

// The general round trip of quoteExecArgument and escapeDesktopString is the fuzz target's check.
TEST(DesktopEntry, CommandsAreReadPastEnvAssignments) {
    using Environment = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(parseExecCommand({"/usr/bin/env", "A=1", "B=x=y", "/p", "C=2"}),
              (ExecCommand{Environment{{"A", "1"}, {"B", "x=y"}}, "/p", {"C=2"}}));
    EXPECT_EQ(parseExecCommand({"env", "A=1"}), std::nullopt);
    EXPECT_EQ(parseExecCommand({}), std::nullopt);
}
