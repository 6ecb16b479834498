#pragma once

#include <cstdint>
#include <concepts>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "ObserverUICommand.h"
#include "ObserverUIPresentation.h"
#include "ObserverUIState.h"
#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// The one message type on the pipe, in both directions. Which side may send which case, and
// when, is for the receivers to decide; the type accepts every case.
//
// JSON: one key, the case name, holding an object with the payload under "_0" (and "_1"):
//     {"ready":{"_0":1}}  {"state":{"_0":<revision>,"_1":{<state>}}}  {"present":{"_0":{<presentation>}}}
//     {"command":{"_0":{<command>}}}  {"closing":{}}  {"retry":{"_0":{<presentation>}}}  {"stop":{}}
class ObserverUIMessage {
public:
    enum class Case { ready, state, present, command, closing, retry, stop };

    // The UI app is running and speaks this protocol version.
    struct Ready {
        std::int64_t version = 0;
    };
    // A complete state; receivers drop one whose revision is not above the last they applied.
    struct State {
        std::uint64_t revision = 0;
        ObserverUIState state;
    };
    // Show a window or the quick view.
    struct Present {
        ObserverUIPresentation presentation;
    };
    // One user action for the agent to run.
    struct Command {
        ObserverUICommand command;
    };
    // The UI app has nothing left on screen and asks to end.
    struct Closing {};
    // A presentation that reached a closing UI app, for the next UI app to show.
    struct Retry {
        ObserverUIPresentation presentation;
    };
    // Write what is still queued and terminate.
    struct Stop {};

    // The one protocol version of this system.
    static constexpr std::int64_t protocolVersion = 1;

    using Payload = std::variant<Ready, State, Present, Command, Closing, Retry, Stop>;

    // From one payload: ObserverUIMessage m = ObserverUIMessage::Stop{};
    template <class T>
        requires(!std::same_as<std::remove_cvref_t<T>, ObserverUIMessage> && std::is_constructible_v<Payload, T>)
    ObserverUIMessage(T&& payload) : payload_(std::forward<T>(payload)) {}

    static ObserverUIMessage ready(std::int64_t version) { return Ready{version}; }
    static ObserverUIMessage state(std::uint64_t revision, ObserverUIState state) {
        return State{revision, std::move(state)};
    }
    static ObserverUIMessage present(ObserverUIPresentation p) { return Present{std::move(p)}; }
    static ObserverUIMessage command(ObserverUICommand c) { return Command{std::move(c)}; }
    static ObserverUIMessage closing() { return Closing{}; }
    static ObserverUIMessage retry(ObserverUIPresentation p) { return Retry{std::move(p)}; }
    static ObserverUIMessage stop() { return Stop{}; }

    Case kind() const { return static_cast<Case>(payload_.index()); }
    // The case name, as the JSON key.
    static std::string_view caseName(Case kind);

    // The payload of case T, or null for another case.
    template <class T>
    const T* get() const {
        return std::get_if<T>(&payload_);
    }
    template <class T>
    T* get() {
        return std::get_if<T>(&payload_);
    }
    const Payload& payload() const { return payload_; }
    Payload& payload() { return payload_; }

    void toJSON(platform::json::Writer& writer) const;
    // Only the keys that are case names count, and exactly one must be there; otherwise fails
    // with "Invalid number of keys found, expected one.". Its value must be an object; inside it
    // only "_0" and "_1" are read.
    static ObserverUIMessage fromJSON(const platform::json::Value& value);

private:
    Payload payload_;
};

}  // namespace quentrel

template <>
struct platform::json::Coder<quentrel::ObserverUIMessage> {
    static void encode(const quentrel::ObserverUIMessage& m, Writer& w, const Options&) { m.toJSON(w); }
    static quentrel::ObserverUIMessage decode(const Value& v, const Options&) {
        return quentrel::ObserverUIMessage::fromJSON(v);
    }
};
