#include "ObserverUIMessage.h"

#include <array>
#include <string>

namespace quentrel {

namespace json = platform::json;

namespace {

using Case = ObserverUIMessage::Case;

constexpr std::array<std::pair<Case, std::string_view>, 7> kCaseNames = {{
    {Case::ready, "ready"},
    {Case::state, "state"},
    {Case::present, "present"},
    {Case::command, "command"},
    {Case::closing, "closing"},
    {Case::retry, "retry"},
    {Case::stop, "stop"},
}};

}  // namespace

std::string_view ObserverUIMessage::caseName(Case kind) { return kCaseNames[static_cast<std::size_t>(kind)].second; }

void ObserverUIMessage::toJSON(json::Writer& writer) const {
    json::encodeCase(writer, caseName(kind()), json::Options{}, [&](json::ObjectEncoder& payload) {
        switch (kind()) {
        case Case::ready: payload.field("_0", std::get<Ready>(payload_).version); break;
        case Case::state: {
            const auto& s = std::get<State>(payload_);
            payload.field("_0", s.revision).field("_1", s.state);
            break;
        }
        case Case::present: payload.field("_0", std::get<Present>(payload_).presentation); break;
        case Case::command: payload.field("_0", std::get<Command>(payload_).command); break;
        case Case::retry: payload.field("_0", std::get<Retry>(payload_).presentation); break;
        case Case::closing:
        case Case::stop: break;
        }
    });
}

ObserverUIMessage ObserverUIMessage::fromJSON(const json::Value& value) {
    const auto [found, body] = json::findCase(value, kCaseNames);

    const json::ObjectDecoder d(*body);  // the case's value must be an object, also without payload
    switch (found) {
    case Case::ready: return Ready{d.required<std::int64_t>("_0")};
    case Case::state: {
        auto revision = d.required<std::uint64_t>("_0");
        return State{revision, d.required<ObserverUIState>("_1")};
    }
    case Case::present: return Present{d.required<ObserverUIPresentation>("_0")};
    case Case::command: return Command{d.required<ObserverUICommand>("_0")};
    case Case::closing: return Closing{};
    case Case::retry: return Retry{d.required<ObserverUIPresentation>("_0")};
    case Case::stop: return Stop{};
    }
    throw json::DecodingError("Invalid number of keys found, expected one.");  // not reached
}

}  // namespace quentrel
