#include "Wendmark/LaunchContext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace wendmark;
using platform::LaunchEvent;
namespace json = platform::json;

TEST(LaunchContext, DecisionTable) {
    auto cause = [](std::string_view marker) { return LaunchContext::cause(platform::parseLaunchEvent(marker)); };
    EXPECT_EQ(LaunchContext::cause(std::nullopt), AppLaunchCause::manualOrUnknown);
    EXPECT_EQ(cause("aevt/oapp/lgit"), AppLaunchCause::loginItem);
    EXPECT_EQ(cause("aevt/oapp/svit"), AppLaunchCause::serviceItem);
    EXPECT_EQ(cause("aevt/oapp/xxxx"), AppLaunchCause::manualOrUnknown);
    EXPECT_EQ(cause("aevt/oapp"), AppLaunchCause::manualOrUnknown);       // no "prdt" parameter
    EXPECT_EQ(cause("aevt/odoc/lgit"), AppLaunchCause::manualOrUnknown);  // another event
    EXPECT_EQ(cause("core/oapp/lgit"), AppLaunchCause::manualOrUnknown);
    EXPECT_EQ(cause("lgit"), AppLaunchCause::manualOrUnknown);            // malformed
    EXPECT_EQ(cause("aevt/oapp/lgit/"), AppLaunchCause::manualOrUnknown);
    EXPECT_EQ(cause("aevt/oapp/LGIT"), AppLaunchCause::manualOrUnknown);
    EXPECT_EQ(cause(""), AppLaunchCause::manualOrUnknown);
}

TEST(LaunchContext, MarkerIsReadOnceAndRemovedFromTheEnvironment) {
    std::map<std::string, std::string> environment{{"KAVRINET_LAUNCH_EVENT", "aevt/oapp/lgit"}, {"HOME", "/home/u"}};
    platform::LaunchEnvironment access{
        [&](const std::string& name) -> std::optional<std::string> {
            auto it = environment.find(name);
            if (it == environment.end()) return std::nullopt;
            return it->second;
        },
        [&](const std::string& name) { environment.erase(name); }};

    EXPECT_EQ(platform::takeLaunchEvent(access), (LaunchEvent{"aevt", "oapp", "lgit"}));
    EXPECT_EQ(environment.count("KAVRINET_LAUNCH_EVENT"), 0u);
    EXPECT_EQ(environment.count("HOME"), 1u);
    EXPECT_EQ(platform::takeLaunchEvent(access), std::nullopt);

    environment["KAVRINET_LAUNCH_EVENT"] = "garbage";  // removed even when it does not parse
    EXPECT_EQ(platform::takeLaunchEvent(access), std::nullopt);
    EXPECT_EQ(environment.count("KAVRINET_LAUNCH_EVENT"), 0u);
}

TEST(AppLaunchCause, RawValues) {
    EXPECT_EQ(json::fromRawValue<AppLaunchCause>("loginItem"), AppLaunchCause::loginItem);
    EXPECT_EQ(json::fromRawValue<AppLaunchCause>("login"), std::nullopt);
    EXPECT_EQ(json::rawValue(AppLaunchCause::manualOrUnknown), "manualOrUnknown");
    EXPECT_EQ(json::encode(AppLaunchCause::serviceItem), R"("serviceItem")");
    EXPECT_THROW(json::decode<AppLaunchCause>(R"("ServiceItem")"), json::DecodingError);
}

TEST(LaunchContext, CurrentCauseTakesTheProcessMarker) {
    // The only test that reads the process environment's marker, which is taken once per process.
    ::setenv("KAVRINET_LAUNCH_EVENT", "aevt/oapp/svit", 1);
    EXPECT_EQ(LaunchContext::currentCause(), AppLaunchCause::serviceItem);
    EXPECT_EQ(::getenv("KAVRINET_LAUNCH_EVENT"), nullptr);
    EXPECT_EQ(LaunchContext::currentCause(), AppLaunchCause::serviceItem);
}
