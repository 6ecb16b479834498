#include "Quentrel/Views/Models/UpdateSettingsModel.h"

#include <gtest/gtest.h>

using namespace quentrel;
using State = UpdateService::State;
using Content = UpdateSettingsModel::Content;

namespace {
LocalizedFormats formats() {
    LocalizedFormats f;
    f.abbreviatedDateShortTime = [](platform::Date d) { return "checked " + std::to_string(int(d.sinceReferenceDate)); };
    return f;
}
}  // namespace

TEST(UpdateSettingsModel, showsNothingUnconfiguredOnlyTheFailureWhenFailedElseTheControls) {
    struct Row {
        const char* name;
        UpdateSettingsInputs in;
        Content content;
        bool toggleOn, toggleEnabled, checkEnabled;
        std::optional<std::string> lastCheck;
    } rows[] = {
        {"not configured, whatever the rest", {false, State::ready, true, true, platform::Date{5}}, Content::none,
         false, false, false, std::nullopt},
        {"failed", {true, State::failed, true, true, platform::Date{5}}, Content::failure, false, false, false,
         std::nullopt},
        {"waiting: shown, toggle disabled", {true, State::waiting, true, false, std::nullopt}, Content::controls, true,
         false, false, std::nullopt},
        {"ready follows the service", {true, State::ready, false, true, platform::Date{42}}, Content::controls, false,
         true, true, "checked 42"},
        {"ready, never checked: the row holds only the button", {true, State::ready, true, true, std::nullopt},
         Content::controls, true, true, true, std::nullopt},
    };
    for (const auto& r : rows) {
        const auto m = makeUpdateSettingsModel(r.in, formats());
        EXPECT_EQ(m.content, r.content) << r.name;
        EXPECT_EQ(m.toggleOn, r.toggleOn) << r.name;
        EXPECT_EQ(m.toggleEnabled, r.toggleEnabled) << r.name;
        EXPECT_EQ(m.checkEnabled, r.checkEnabled) << r.name;
        EXPECT_EQ(m.lastCheck, r.lastCheck) << r.name;
    }
}

TEST(UpdateSettingsModel, theServiceOfThisBuildIsNeverConfigured) {
    const UpdateService updates(platform::PropertyDictionary{{"KavrinetUpdatesConfigured", true}});
    EXPECT_EQ(makeUpdateSettingsModel(UpdateSettingsInputs::of(updates), formats()).content, Content::none);
}
