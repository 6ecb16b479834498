// Reading a defaults file with one wide array of 400,000 entries, in the binary form that the
// defaults database writes and in XML, each under the database's 4 MiB cap: integers from 0 to
// 999 (the writer stores each distinct value once), and Booleans. A read must stay linear in the
// number of entries; the goal is under 50 ms.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "Platform/Foundation/PropertyList.h"

using namespace platform;

namespace {

Data binaryArray(std::int64_t count) {
    PropertyArray array;
    array.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) array.emplace_back(i % 1000);
    return PropertyList::serialize(PropertyValue(PropertyDictionary{{"wide", std::move(array)}}), PropertyListFormat::binary);
}

Data xmlArray(std::int64_t count) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>wide</key><array>";
    for (std::int64_t i = 0; i < count; ++i) text += "<true/>";
    text += "</array></dict></plist>";
    return Data(text.begin(), text.end());
}

void readArray(benchmark::State& state, const Data& bytes) {
    for (auto _ : state) {
        std::optional<PropertyValue> value = PropertyList::parse(bytes);
        if (!value) state.SkipWithError("the property list did not parse");
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_ReadBinaryArray(benchmark::State& state) { readArray(state, binaryArray(state.range(0))); }
void BM_ReadXMLArray(benchmark::State& state) { readArray(state, xmlArray(state.range(0))); }

}  // namespace

BENCHMARK(BM_ReadBinaryArray)->Arg(25'000)->Arg(400'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXMLArray)->Arg(25'000)->Arg(400'000)->Unit(benchmark::kMillisecond);
