#include "Quentrel/Services/ObserverUICommand.h"

#include <gtest/gtest.h>

using namespace quentrel;
using Case = ObserverUICommand::Case;
namespace json = platform::json;

namespace {

const char* surfaceUUID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

ObserverUICommand decodeText(std::string_view text) { return json::decode<ObserverUICommand>(text); }

// The failure text of decoding `text`, or "" when it decodes.
std::string decodingFailure(std::string_view text) {
    try {
        decodeText(text);
        return "";
    } catch (const json::DecodingError& e) {
        return e.what();
    }
}

struct Form {
    ObserverUICommand command;
    const char* json;
};

// Every case with its exact compact form, in declaration order.
std::vector<Form> everyCase() {
    const platform::UUID surface = *platform::UUID::fromString(surfaceUUID);
    return {
        {ObserverUICommand::select("disk4"), R"({"select":{"_0":"disk4"}})"},
        {ObserverUICommand::make(Case::completeOnboarding), R"({"completeOnboarding":{}})"},
        {ObserverUICommand::surface(surface, true), R"({"surface":{"_0":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","_1":true}})"},
        {ObserverUICommand::withFlag(Case::pause, true), R"({"pause":{"_0":true}})"},
        {ObserverUICommand::make(Case::refresh), R"({"refresh":{}})"},
        {ObserverUICommand::withFlag(Case::background, false), R"({"background":{"_0":false}})"},
        {ObserverUICommand::withFlag(Case::showOnLaunch, true), R"({"showOnLaunch":{"_0":true}})"},
        {ObserverUICommand::make(Case::remember), R"({"remember":{}})"},
        {ObserverUICommand::make(Case::forget), R"({"forget":{}})"},
        {ObserverUICommand::make(Case::reset), R"({"reset":{}})"},
        {ObserverUICommand::make(Case::undoReset), R"({"undoReset":{}})"},
        {ObserverUICommand::make(Case::clearEvents), R"({"clearEvents":{}})"},
        {ObserverUICommand::make(Case::undoEvents), R"({"undoEvents":{}})"},
        {ObserverUICommand::make(Case::clearSessions), R"({"clearSessions":{}})"},
        {ObserverUICommand::make(Case::undoSessions), R"({"undoSessions":{}})"},
        {ObserverUICommand::make(Case::newSession), R"({"newSession":{}})"},
        {ObserverUICommand::withFlag(Case::notifications, true), R"({"notifications":{"_0":true}})"},
        {ObserverUICommand::make(Case::refreshNotifications), R"({"refreshNotifications":{}})"},
        {ObserverUICommand::make(Case::testNotification), R"({"testNotification":{}})"},
        {ObserverUICommand::withFlag(Case::login, false), R"({"login":{"_0":false}})"},
        {ObserverUICommand::make(Case::refreshLogin), R"({"refreshLogin":{}})"},
        {ObserverUICommand::make(Case::approvalSettings), R"({"approvalSettings":{}})"},
        {ObserverUICommand::make(Case::prepareDiagnostics), R"({"prepareDiagnostics":{}})"},
        {ObserverUICommand::make(Case::discardDiagnostics), R"({"discardDiagnostics":{}})"},
        {ObserverUICommand::make(Case::copyDiagnostics), R"({"copyDiagnostics":{}})"},
        {ObserverUICommand::make(Case::saveDiagnostics), R"({"saveDiagnostics":{}})"},
        {ObserverUICommand::make(Case::revealVolume), R"({"revealVolume":{}})"},
        {ObserverUICommand::make(Case::quickView), R"({"quickView":{}})"},
        {ObserverUICommand::make(Case::quit), R"({"quit":{}})"},
    };
}

}  // namespace

TEST(ObserverUICommand, EveryCaseHasItsExactFormAndRoundTrips) {
    const auto forms = everyCase();
    ASSERT_EQ(forms.size(), 29u);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        const auto& [command, text] = forms[i];
        EXPECT_EQ(static_cast<std::size_t>(command.kind), i) << text;  // the table follows declaration order
        EXPECT_EQ(json::encode(command), text);
        EXPECT_EQ(decodeText(text), command) << text;
    }
    // The opposite flag values round-trip too.
    for (Case c : {Case::pause, Case::background, Case::showOnLaunch, Case::notifications, Case::login})
        for (bool on : {false, true}) EXPECT_EQ(decodeText(json::encode(ObserverUICommand::withFlag(c, on))).flag, on);
    auto hidden = ObserverUICommand::surface(platform::UUID::random(), false);
    EXPECT_EQ(decodeText(json::encode(hidden)), hidden);
}

TEST(ObserverUICommand, ExactlyOneCaseKeyCounts) {
    const std::string invalid = "Invalid number of keys found, expected one.";
    for (const char* text : {
             R"({})",
             R"({"pause":{"_0":true},"refresh":{}})",
             R"({"Pause":{"_0":true}})",
             R"({"unknownCase":{}})",
             R"({"quit ":{}})",
         })
        EXPECT_EQ(decodingFailure(text), invalid) << text;

    // Keys that are no case name are not looked at, whatever their values.
    EXPECT_EQ(decodeText(R"({"refresh":{},"extra":null})").kind, Case::refresh);
    EXPECT_EQ(decodeText(R"({"Refresh":[1],"refresh":{}})").kind, Case::refresh);
}

TEST(ObserverUICommand, ValuesAreStrict) {
    struct Row {
        const char* text;
        bool decodes;
    };
    const Row rows[] = {
        // The value of the case key must be an object; members inside a case without values are not read.
        {R"({"completeOnboarding":{}})", true},
        {R"({"completeOnboarding":{"_0":5,"x":"y"}})", true},
        {R"({"completeOnboarding":null})", false},
        {R"({"completeOnboarding":true})", false},
        {R"({"completeOnboarding":[]})", false},
        {R"({"completeOnboarding":"{}"})", false},
        // Switches need "_0" as a JSON Boolean; other members are ignored.
        {R"({"pause":{}})", false},
        {R"({"pause":{"_0":null}})", false},
        {R"({"pause":{"_0":1}})", false},
        {R"({"pause":{"_0":"true"}})", false},
        {R"({"pause":{"_0":false,"_1":true}})", true},
        {R"({"login":{"_1":true}})", false},
        // select carries a string, an empty one included.
        {R"({"select":{"_0":""}})", true},
        {R"({"select":{"_0":4}})", false},
        {R"({"select":{}})", false},
        // surface: a UUID in either letter case, then a Boolean.
        {R"({"surface":{"_0":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","_1":true}})", true},
        {R"({"surface":{"_0":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"}})", false},
        {R"({"surface":{"_0":"not-a-uuid","_1":true}})", false},
        {R"({"surface":{"_0":"E621E1F8C36C495A93FC0C247A3E6E5F","_1":true}})", false},
        {R"({"surface":{"_0":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","_1":"yes"}})", false},
        // Not an object at all.
        {R"(["refresh"])", false},
        {R"("refresh")", false},
        {R"(null)", false},
    };
    for (const auto& [text, decodes] : rows) EXPECT_EQ(decodingFailure(text).empty(), decodes) << text;

    EXPECT_FALSE(decodeText(R"({"pause":{"_0":false,"_1":true}})").flag);
    EXPECT_EQ(decodeText(R"({"select":{"_0":""}})").deviceID, "");
}

TEST(ObserverUICommand, LowerCaseSurfaceIdentifierIsWrittenInUpperCase) {
    auto command = decodeText(R"({"surface":{"_0":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","_1":true}})");
    EXPECT_EQ(command.kind, Case::surface);
    EXPECT_TRUE(command.flag);
    EXPECT_EQ(json::encode(command), std::string(R"({"surface":{"_0":")") + surfaceUUID + R"(","_1":true}})");
}

TEST(ObserverUICommand, CaseNamesAreTheJSONKeys) {
    EXPECT_EQ(ObserverUICommand::caseName(Case::select), "select");
    EXPECT_EQ(ObserverUICommand::caseName(Case::approvalSettings), "approvalSettings");
    EXPECT_EQ(ObserverUICommand::caseName(Case::quit), "quit");
}
