#include "Platform/Log/Logger.h"

#include <gtest/gtest.h>

#include "Doubles/CapturingLogSink.h"

using namespace platform;

TEST(Logger, RecordsCarrySubsystemCategoryAndRenderedMessage) {
    auto sink = std::make_shared<CapturingLogSink>();
    Logger log("local.mirosal.Kavrinet", "Observation", sink);
    log.info("앱 시작 · 마운트 유지 관측 모드");
    log.error("write failed");
    auto records = sink->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].subsystem, "local.mirosal.Kavrinet");
    EXPECT_EQ(records[0].category, "Observation");
    EXPECT_EQ(records[0].level, LogLevel::info);
    EXPECT_EQ(records[0].message, "앱 시작 · 마운트 유지 관측 모드");
    EXPECT_EQ(records[1].level, LogLevel::error);
}

TEST(Logger, LoggersWithoutSinkFollowTheDefaultAtEachMessage) {
    auto previous = defaultLogSink();
    Logger log("QuentrelProduct", "UILifecycle");
    auto first = std::make_shared<CapturingLogSink>();
    auto second = std::make_shared<CapturingLogSink>();
    setDefaultLogSink(first);
    log.notice("one");
    setDefaultLogSink(second);
    log.notice("two");
    setDefaultLogSink(previous);
    EXPECT_EQ(first->messages(), std::vector<std::string>{"one"});
    EXPECT_EQ(second->messages(), std::vector<std::string>{"two"});
}
