// Feeds arbitrary bytes to the pipe's reader side: the frame decoder, cut into reads of varying
// length, and the message decoder on every payload it yields and on the bytes as one payload.
// A message that decodes must encode again, and decode again to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Quentrel/Services/ObserverUIChannel.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"

namespace {

using quentrel::ObserverUIChannel;
using quentrel::ObserverUIFrameDecoder;
using quentrel::ObserverUIMessage;
namespace json = platform::json;

void decodeMessage(std::string_view payload) {
    std::string text;
    try {
        const auto message = json::decode<ObserverUIMessage>(payload);
        if (const auto* p = message.get<ObserverUIMessage::Present>()) (void)p->presentation.isValid();
        if (const auto* r = message.get<ObserverUIMessage::Retry>()) (void)r->presentation.isValid();
        text = json::encode(message);  // may not fail: decoded values are finite and valid UTF-8
    } catch (const json::DecodingError&) {
        return;
    }
    if (json::encode(json::decode<ObserverUIMessage>(text)) != text) __builtin_trap();
    if (ObserverUIFrameDecoder::frame(text).size() != text.size() + ObserverUIFrameDecoder::headerLength)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte sets the read length, so the same stream is also cut at other places, and
    // whether the decoder takes every frame (as the UI app's end) or small ones only (the agent's).
    const std::size_t readLength = 1 + data[0] % 64;
    const std::size_t accepted =
        data[0] & 0x80 ? ObserverUIChannel::maximumAgentPayloadLength : ObserverUIFrameDecoder::maximumPayloadLength;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    ObserverUIFrameDecoder decoder(accepted);
    std::size_t received = 0;
    for (std::size_t offset = 0; offset < stream.size(); offset += readLength) {
        const auto chunk = stream.substr(offset, readLength);
        std::vector<std::string> payloads;
        try {
            payloads = decoder.append(chunk);
        } catch (const ObserverUIFrameDecoder::FrameError&) {
            break;
        }
        for (const auto& payload : payloads) {
            if (payload.size() > accepted) __builtin_trap();
            received += payload.size() + ObserverUIFrameDecoder::headerLength;
            decodeMessage(payload);
        }
        if (received + decoder.buffer().size() != offset + chunk.size()) __builtin_trap();  // no byte lost or made up
    }
    decodeMessage(stream);
    return 0;
}
