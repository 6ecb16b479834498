// One state push as the agent sends it: encoding the state message and framing it, for the
// largest ordinary state (8 devices of 4 volumes, a full 300-interval graph window, 100 events,
// the running session and 30 completed ones, 30 connection changes). And the UI app's side:
// cutting the frame and decoding the message.
//
// Each push allocates and frees buffers of some fifty kilobytes. With glibc's default settings a small
// benchmark heap may give that memory back to the kernel after an iteration and fault it in again in
// the next; the "/steadyHeap" runs measure with trimming off (HeapSettings.h).
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#ifdef KAVRINET_HAVE_SIMDJSON
#include <simdjson.h>
#endif

#include "HeapSettings.h"
#include "Platform/Foundation/JSONReader.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Services/UIStateFixture.h"

namespace {

using quentrel::ObserverUIFrameDecoder;
using quentrel::ObserverUIMessage;
namespace json = platform::json;

void encodeAndFrameState(benchmark::State& state) {
    const HeapSettings heap(state);
    const auto message = ObserverUIMessage::state(97, uistate::richState());
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string frame = ObserverUIFrameDecoder::frameEncoded(message);
        bytes = frame.size();
        benchmark::DoNotOptimize(frame);
    }
    state.counters["frameBytes"] = static_cast<double>(bytes);
}
BENCHMARK(encodeAndFrameState)->ArgName("steadyHeap")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void cutAndDecodeState(benchmark::State& state) {
    const HeapSettings heap(state);
    const std::string frame =
        ObserverUIFrameDecoder::frame(json::encode(ObserverUIMessage::state(97, uistate::richState())));
    for (auto _ : state) {
        ObserverUIFrameDecoder decoder;
        auto payloads = decoder.append(frame);
        auto message = json::decode<ObserverUIMessage>(payloads.at(0));
        benchmark::DoNotOptimize(message);
    }
}
BENCHMARK(cutAndDecodeState)->ArgName("steadyHeap")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);


// Parsing alone, the same payload with three libraries: RapidJSON as this module uses it (with its
// copy of the text, depth bound, UTF-8 and number checks), simdjson's DOM parser on input padded
// once beforehand (when the build found simdjson), and nlohmann's ordered tree (the module's library
// before RapidJSON).
const std::string& statePayload() {
    static const std::string payload = json::encode(ObserverUIMessage::state(97, uistate::richState()));
    return payload;
}

void parseOnlyRapidJSON(benchmark::State& state) {
    for (auto _ : state) {
        auto document = json::parseOnThisThread(statePayload());
        benchmark::DoNotOptimize(document.root().IsObject());
    }
    state.counters["payloadBytes"] = static_cast<double>(statePayload().size());
}
BENCHMARK(parseOnlyRapidJSON)->Unit(benchmark::kMicrosecond);

#ifdef KAVRINET_HAVE_SIMDJSON
void parseOnlySimdjson(benchmark::State& state) {
    simdjson::dom::parser parser;
    const simdjson::padded_string padded(statePayload());
    for (auto _ : state) {
        simdjson::dom::element root;
        if (parser.parse(padded).get(root) != simdjson::SUCCESS) state.SkipWithError("simdjson failed");
        benchmark::DoNotOptimize(root.is_object());
    }
}
BENCHMARK(parseOnlySimdjson)->Unit(benchmark::kMicrosecond);
#endif

void parseOnlyNlohmann(benchmark::State& state) {
    for (auto _ : state) {
        auto tree = nlohmann::ordered_json::parse(statePayload());
        benchmark::DoNotOptimize(tree.is_object());
    }
}
BENCHMARK(parseOnlyNlohmann)->Unit(benchmark::kMicrosecond);

}  // namespace
