#include "Wendmark/ObservationPolicy.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wendmark;
namespace json = platform::json;
using K = ActivityKind;

namespace {
const std::vector<K> allIdle{K::observedIdle, K::observedIdle, K::observedIdle};

SamplingConfiguration visibleAt(std::int64_t idleSamples) {
    ObservationPolicy policy;
    for (std::int64_t i = 0; i < idleSamples; ++i) policy.observe(allIdle);
    return policy.configuration(true, false, false, false);
}
}  // namespace

TEST(ObservationPolicy, CountsConsecutiveAllIdleSamplesFrom0To6) {
    ObservationPolicy policy;
    for (int i = 0; i < 7; ++i) policy.observe(allIdle);
    EXPECT_EQ(policy.idleSamples(), 6);
    policy.observe(std::vector<K>{});
    EXPECT_EQ(policy.idleSamples(), 0);

    for (K other : {K::observedIO, K::preparing, K::unavailable, K::interrupted}) {
        policy.observe(allIdle);
        policy.observe(allIdle);
        policy.observe(std::vector{K::observedIdle, other, K::observedIdle});
        EXPECT_EQ(policy.idleSamples(), 0);
    }
    policy.observe(allIdle);
    policy.reset();
    EXPECT_EQ(policy.idleSamples(), 0);
}

TEST(ObservationPolicy, VisibleIntervalBacksOffWithIdleSamples) {
    const SamplingConfiguration every1{true, 1.0, "화면 표시 중 · 1초 간격"};
    const SamplingConfiguration every5{true, 5.0, "화면 표시 중 · 5초 간격"};
    const SamplingConfiguration every10{true, 10.0, "화면 표시 중 · 10초 간격"};
    EXPECT_EQ(visibleAt(0), every1);
    EXPECT_EQ(visibleAt(1), every1);
    EXPECT_EQ(visibleAt(2), every5);
    EXPECT_EQ(visibleAt(4), every5);
    EXPECT_EQ(visibleAt(5), every10);
    EXPECT_EQ(visibleAt(7), every10);
    EXPECT_EQ(every10.reason, "\xED\x99\x94\xEB\xA9\xB4 \xED\x91\x9C\xEC\x8B\x9C \xEC\xA4\x91 \xC2\xB7 10"
                              "\xEC\xB4\x88 \xEA\xB0\x84\xEA\xB2\xA9");
}

TEST(ObservationPolicy, SleepPauseAndClosedWindowsWinInOrder) {
    ObservationPolicy policy;
    for (int i = 0; i < 6; ++i) policy.observe(allIdle);
    const SamplingConfiguration sleeping{false, 30.0, "시스템 잠자기 · 이벤트 대기"};
    const SamplingConfiguration paused{false, 30.0, "통계 일시중지 · 연결 이벤트 확인"};
    const SamplingConfiguration background{true, 30.0, "백그라운드 · 30초 간격"};
    const SamplingConfiguration closed{false, 30.0, "창·메뉴 닫힘 · 이벤트 대기"};
    for (bool visible : {false, true})
        for (bool polling : {false, true}) {
            EXPECT_EQ(policy.configuration(visible, true, true, polling), sleeping);
            EXPECT_EQ(policy.configuration(visible, false, true, polling), sleeping);
            EXPECT_EQ(policy.configuration(visible, true, false, polling), paused);
        }
    EXPECT_EQ(policy.configuration(false, false, false, true), background);
    EXPECT_EQ(policy.configuration(false, false, false, false), closed);
    EXPECT_EQ(policy.idleSamples(), 6);  // asking changes nothing
    // The middle dot is U+00B7 and "창·메뉴" has no spaces around it.
    EXPECT_EQ(closed.reason, "\xEC\xB0\xBD\xC2\xB7\xEB\xA9\x94\xEB\x89\xB4 \xEB\x8B\xAB\xED\x9E\x98 \xC2\xB7 "
                             "\xEC\x9D\xB4\xEB\xB2\xA4\xED\x8A\xB8 \xEB\x8C\x80\xEA\xB8\xB0");
}

TEST(SamplingConfiguration, EqualityAndJSONCoverAllThreeFields) {
    SamplingConfiguration a{true, 5.0, "화면 표시 중 · 5초 간격"};
    EXPECT_NE(a, (SamplingConfiguration{false, 5.0, a.reason}));
    EXPECT_NE(a, (SamplingConfiguration{true, 5.5, a.reason}));
    EXPECT_NE(a, (SamplingConfiguration{true, 5.0, "x"}));

    std::string text = json::encode(a);
    EXPECT_EQ(text, R"({"enabled":true,"interval":5.0,"reason":"화면 표시 중 · 5초 간격"})");
    EXPECT_EQ(json::decode<SamplingConfiguration>(text), a);
    EXPECT_EQ(json::decode<SamplingConfiguration>(R"({"reason":"r","interval":30,"enabled":false,"x":1})"),
              (SamplingConfiguration{false, 30.0, "r"}));
    EXPECT_THROW(json::decode<SamplingConfiguration>(R"({"enabled":true,"interval":1})"), json::DecodingError);
    EXPECT_THROW(json::decode<SamplingConfiguration>(R"({"enabled":1,"interval":1,"reason":"r"})"),
                 json::DecodingError);
}
