#include "Platform/Desktop/Wayland/WaylandDisplayCheck.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

using platform::WaylandDisplayCheck;
using Reply = WaylandDisplayCheck::Reply;

// A compositor's answer to wl_display.sync: the callback's done, maybe after a delete_id.
TEST(WaylandDisplayCheck, WhatCountsAsAWaylandCompositorsAnswer) {
    auto message = [](std::uint32_t object, std::uint32_t size, std::uint32_t opcode) {
        const std::uint32_t header[] = {object, size << 16 | opcode};
        return std::string(reinterpret_cast<const char*>(header), sizeof header) + std::string(size > 8 ? size - 8 : 0, '\7');
    };
    const struct { std::string bytes; Reply reply; } rows[] = {
        {message(1, 12, 1) + message(2, 12, 0), Reply::answered},
        {message(2, 12, 0).substr(0, 11), Reply::incomplete},
        {message(1, 24, 0), Reply::wrong},  // wl_display.error
        {message(2, 4, 0), Reply::wrong}};  // shorter than its header
    for (const auto& row : rows) EXPECT_EQ(WaylandDisplayCheck::syncReply(row.bytes), row.reply);
}
