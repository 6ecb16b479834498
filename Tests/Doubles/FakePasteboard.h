#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Desktop/Pasteboard.h"

// An in-memory pasteboard that records its calls ("clear", "set <text>") and can refuse texts.
class FakePasteboard final : public platform::Pasteboard {
public:
    void clearContents() override {
        calls.push_back("clear");
        contents.reset();
    }
    bool setString(std::string_view text) override {
        calls.push_back("set " + std::string(text));
        if (refuses) return false;
        contents = std::string(text);
        return true;
    }

    bool refuses = false;
    std::optional<std::string> contents;
    std::vector<std::string> calls;
};
