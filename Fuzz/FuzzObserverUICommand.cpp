// Command payloads arrive from the UI process over a pipe: decoding must never crash, every
// failure must be a decoding error, and whatever decodes must encode to a form that decodes back
// to the same command.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Quentrel/Services/ObserverUICommand.h"

using namespace quentrel;
namespace json = platform::json;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ObserverUICommand command;
    try {
        command = json::decode<ObserverUICommand>(text);
    } catch (const json::DecodingError&) {
        return 0;
    }
    // Whatever decodes is valid UTF-8 with finite numbers, so it can always be written out again.
    const std::string encoded = json::encode(command);
    if (json::decode<ObserverUICommand>(encoded) != command) std::abort();
    if (json::encode(json::decode<ObserverUICommand>(encoded)) != encoded) std::abort();
    return 0;
}
