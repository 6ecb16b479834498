#include "Quentrel/Services/ObserverUIMessage.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "Quentrel/Services/UIStateFixture.h"

using namespace quentrel;
namespace json = platform::json;
using Message = ObserverUIMessage;

namespace {

std::string encoded(const Message& m) { return json::encode(m); }
Message decoded(std::string_view text) { return json::decode<Message>(text); }

std::string decodingError(std::string_view text) {
    try {
        decoded(text);
    } catch (const json::DecodingError& e) {
        return e.what();
    }
    return "decoded";
}

constexpr const char* kKeyCount = "Invalid number of keys found, expected one.";

}  // namespace

TEST(ObserverUIMessage, EncodesEachCaseAsOneKeyWithPositionalPayload) {
    const auto statusPresentation = ObserverUIPresentation{"status", std::nullopt};
    const auto quick = ObserverUIPresentation{"quick-view", std::vector<double>{-10, 900.5, 24, 22}};
    const std::pair<Message, std::string_view> cases[] = {
        {Message::ready(1), R"({"ready":{"_0":1}})"},
        {Message::present(statusPresentation), R"({"present":{"_0":{"window":"status"}}})"},
        {Message::present(quick), R"({"present":{"_0":{"window":"quick-view","anchor":[-10.0,900.5,24.0,22.0]}}})"},
        {Message::command(ObserverUICommand::select("driver:7")), R"({"command":{"_0":{"select":{"_0":"driver:7"}}}})"},
        {Message::command(ObserverUICommand::make(ObserverUICommand::Case::quit)), R"({"command":{"_0":{"quit":{}}}})"},
        {Message::closing(), R"({"closing":{}})"},
        {Message::retry(statusPresentation), R"({"retry":{"_0":{"window":"status"}}})"},
        {Message::stop(), R"({"stop":{}})"},
    };
    for (const auto& [message, text] : cases) {
        EXPECT_EQ(encoded(message), text);
        EXPECT_EQ(encoded(decoded(text)), text);
        EXPECT_EQ(decoded(text).kind(), message.kind()) << text;
    }
}

TEST(ObserverUIMessage, StateCarriesTheRevisionThenTheWholeState) {
    auto state = uistate::richState();
    const std::string text = encoded(Message::state(18446744073709551615u, state));
    const std::string stateText = json::encode(state);
    EXPECT_EQ(text, R"({"state":{"_0":18446744073709551615,"_1":)" + stateText + "}}");
    const Message back = decoded(text);
    ASSERT_TRUE(back.get<Message::State>());
    EXPECT_EQ(back.get<Message::State>()->revision, 18446744073709551615u);
    EXPECT_EQ(json::encode(back.get<Message::State>()->state), stateText);

    EXPECT_NE(decodingError(R"({"state":{"_0":3}})"), "decoded");
    EXPECT_NE(decodingError(R"({"state":{"_1":)" + stateText + "}}"), "decoded");
    EXPECT_NE(decodingError(R"({"state":{"_0":-1,"_1":)" + stateText + "}}"), "decoded");
    EXPECT_NE(decodingError(R"({"state":{"_0":18446744073709551616,"_1":)" + stateText + "}}"), "decoded");
}

TEST(ObserverUIMessage, OnlyCaseNameKeysCountAndExactlyOneIsNeeded) {
    for (const char* text : {R"({})", R"({"quit":{}})", R"({"ready":{"_0":1},"stop":{}})", R"({"Ready":{"_0":1}})",
                             R"({"closing":{},"closing2":{},"retry":{"_0":{"window":"status"}},"stop":{}})"})
        EXPECT_EQ(decodingError(text), kKeyCount) << text;

    const Message m = decoded(R"({"ready":{"_0":1},"quit":{}})");
    ASSERT_TRUE(m.get<Message::Ready>());
    EXPECT_EQ(m.get<Message::Ready>()->version, 1);
    EXPECT_EQ(decoded(R"({"x":1,"closing":{},"y":[]})").kind(), Message::Case::closing);
}

TEST(ObserverUIMessage, TheCaseValueMustBeAnObjectWithItsPayload) {
    EXPECT_EQ(decoded(R"({"stop":{}})").kind(), Message::Case::stop);
    EXPECT_EQ(decoded(R"({"stop":{"_0":5}})").kind(), Message::Case::stop);
    EXPECT_EQ(decoded(R"({"ready":{"_0":9223372036854775807,"_1":"ignored","x":0}})").get<Message::Ready>()->version,
              9223372036854775807);
    for (const char* text : {R"({"stop":null})", R"({"stop":1})", R"({"closing":[]})", R"({"ready":{}})",
                             R"({"ready":{"_0":"1"}})", R"({"ready":{"_0":null}})", R"({"ready":{"_0":1.5}})",
                             R"({"ready":{"_0":9223372036854775808}})", R"({"present":{}})",
                             R"({"present":{"_0":{"anchor":[0,0,1,1]}}})", R"({"retry":{"_0":"status"}})",
                             R"({"command":{"_0":{}}})", R"({"command":{"_0":{"select":{}}}})", R"([])",
                             R"("stop")", R"(null)"})
        EXPECT_NE(decodingError(text), "decoded") << text;
    EXPECT_NE(decodingError(R"({"stop":{}} x)"), "decoded");
}

TEST(ObserverUIPresentation, AnchorMissingOrNullIsNone) {
    for (const char* text : {R"({"window":"status"})", R"({"window":"status","anchor":null})"}) {
        const auto p = json::decode<ObserverUIPresentation>(text);
        EXPECT_FALSE(p.anchor);
        EXPECT_EQ(json::encode(p), R"({"window":"status"})");
    }
    // Any length decodes; validity is the receiver's question.
    const auto five = json::decode<ObserverUIPresentation>(R"({"window":"Status","anchor":[1,2,3,4,5]})");
    EXPECT_EQ(five.anchor->size(), 5u);
    EXPECT_FALSE(five.isValid());
    EXPECT_THROW(json::decode<ObserverUIPresentation>(R"({"window":"status","anchor":[1,"2"]})"), json::DecodingError);
}

TEST(ObserverUIPresentation, ValidityNeedsAKnownWindowAndAUsableAnchor) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    using Anchor = std::optional<std::vector<double>>;
    const struct {
        std::string window;
        Anchor anchor;
        bool valid;
    } cases[] = {
        {"status", std::nullopt, true},
        {"Status", std::nullopt, false},
        {" status", std::nullopt, false},
        {"popover", std::nullopt, false},
        {"quick-view", Anchor({0, 0, 24, 24}), true},
        {"quick-view", Anchor({-10, 900, 24, 24}), true},
        {"settings", Anchor({0, 0, 24, 24}), true},
        {"quick-view", Anchor({0, 0, 0, 24}), false},
        {"quick-view", Anchor({0, 0, 24, -1}), false},
        {"quick-view", Anchor({0, 0, 24, 24, 1}), false},
        {"quick-view", Anchor({0, 0, 24}), false},
        {"quick-view", Anchor(std::vector<double>{}), false},
        {"quick-view", Anchor({inf, 0, 24, 24}), false},
        {"quick-view", Anchor({0, nan, 24, 24}), false},
        {"quick-view", Anchor({0, 0, inf, 24}), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ((ObserverUIPresentation{c.window, c.anchor}.isValid()), c.valid) << c.window;

    EXPECT_EQ(ObserverUIPresentation::windows().size(), 11u);
    for (const char* id : {"status", "welcome", "settings", "device-details", "connection-summary", "activity-log",
                           "diagnostic-preview", "data-management", "help", "about", "quick-view"})
        EXPECT_TRUE(ObserverUIPresentation::windows().contains(id)) << id;
}
