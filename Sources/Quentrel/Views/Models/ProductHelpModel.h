#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/PropertyValue.h"
#include "ProductIdentity.h"

namespace quentrel {

// The four sections of the help window, in the picker's order.
enum class HelpSection { usage, privacy, removal, about };

inline constexpr std::array<HelpSection, 4> allHelpSections{HelpSection::usage, HelpSection::privacy,
                                                            HelpSection::removal, HelpSection::about};

// The raw value, which is also the segment's title.
std::string_view rawValue(HelpSection section);
// Exactly the four raw values make a section.
std::optional<HelpSection> helpSectionFromRawValue(std::string_view raw);
// The section a help window opens on: "help" the usage section, "about" the about section.
std::optional<HelpSection> helpSectionForWindow(std::string_view windowID);

// The fixed texts of the help window around its topics.
struct ProductHelpTexts {
    static constexpr std::string_view title = "Kavrinet 도움말";
    static constexpr std::string_view subtitle = "외장 드라이브의 연결과 활동을 빠르게 확인하세요.";
    static constexpr std::string_view pickerLabel = "도움말 주제";
    static constexpr std::string_view pickerIdentifier = "helpSectionPicker";
    static constexpr std::string_view welcomeButton = "시작 안내 다시 보기";
    static constexpr std::string_view welcomeSymbol = "sparkles";
    static constexpr std::string_view welcomeWindow = "welcome";
};

// One topic: a title and its text, both shown as they are.
struct HelpTopic {
    std::string title;
    std::string text;

    friend bool operator==(const HelpTopic&, const HelpTopic&) = default;
};

// The topics of one section, and whether the welcome button follows them.
struct ProductHelpModel {
    HelpSection section = HelpSection::usage;
    std::vector<HelpTopic> topics;
    bool showsWelcomeButton = false;

    friend bool operator==(const ProductHelpModel&, const ProductHelpModel&) = default;
};

// `info` is the running program's information dictionary (empty when it has none): a valid
// update configuration in it turns the privacy section's last topic into the update-server one.
ProductHelpModel makeProductHelpModel(HelpSection section, const ProductIdentity& product,
                                      const platform::PropertyDictionary& info);

}  // namespace quentrel
