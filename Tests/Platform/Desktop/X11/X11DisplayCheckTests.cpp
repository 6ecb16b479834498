#include "Platform/Desktop/X11/X11DisplayCheck.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using platform::X11DisplayCheck;
using Reply = X11DisplayCheck::Reply;

// Any X server's first answer to the set-up counts (Success, Failed, Authenticate); nothing else.
TEST(X11DisplayCheck, WhatCountsAsAnXServersAnswer) {
    const struct { std::string bytes; Reply reply; } rows[] = {
        {{"\x01\x00\x0b\x00\x00\x00\x20\x01", 8}, Reply::answered},  // Success, protocol 11
        {{"\x02\x00\x00\x00\x00\x00\x05\x00", 8}, Reply::answered},  // Authenticate
        {{"\x00\x1c\x0b\x00\x00\x00\x07\x00", 8}, Reply::answered},  // Failed
        {{"\x01\x00\x0c\x00\x00\x00\x20\x01", 8}, Reply::wrong},     // another protocol
        {"HTTP/1.1 400", Reply::wrong}};
    for (const auto& row : rows) EXPECT_EQ(X11DisplayCheck::setupReply(row.bytes), row.reply) << row.bytes;
}

// Where libxcb connects for a DISPLAY value, in its order.
TEST(X11DisplayCheck, WhereAnXClientConnects) {
    using Kind = X11DisplayCheck::Endpoint::Kind;
    const struct { const char* display; std::vector<X11DisplayCheck::Endpoint> endpoints; } rows[] = {
        {":0", {{Kind::abstract, "/tmp/.X11-unix/X0"}, {Kind::file, "/tmp/.X11-unix/X0"}, {Kind::tcp, "localhost", 6000}}},
        {"localhost:10.0", {{Kind::tcp, "localhost", 6010}}},
        {"decnet/host:0", {}}};
    for (const auto& row : rows) EXPECT_EQ(X11DisplayCheck::endpoints(row.display), row.endpoints) << row.display;
}
