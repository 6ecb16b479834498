#include "Quentrel/Support/DisplayPlatform.h"
#include <gtest/gtest.h>

#include <string>

using quentrel::DisplayPlatform;
using Reply = DisplayPlatform::Reply;

// The platforms both programs try for an environment (a Wayland session with or without
// XWayland, QT_QPA_PLATFORM set or not), whether an offscreen start was a fallback, and the reason.
TEST(DisplayPlatform, TheListToTryAndWhyNoneOfItStarted) {
    const struct { const char *platform, *session, *display, *wayland; DisplayPlatform::Answers answers;
                   const char* list; bool fellBack; const char* missing; } rows[] = {
        {nullptr, nullptr, nullptr, nullptr, {}, "xcb", true, "DISPLAY and WAYLAND_DISPLAY are unset"},
        {"", "Wayland", ":5", nullptr, {}, "xcb", true, "DISPLAY=:5 cannot be reached, WAYLAND_DISPLAY is unset"},
        {nullptr, "x11", ":5", "/run/w", {}, "xcb;wayland", true,
         "DISPLAY=:5 and WAYLAND_DISPLAY=/run/w cannot be reached"},
        {nullptr, nullptr, nullptr, "", {}, "wayland;xcb", true, "WAYLAND_DISPLAY and DISPLAY are unset"},
        {nullptr, "wayland", nullptr, "wayland-1", {false, true}, "wayland;xcb", true,
         "Qt's wayland platform did not start on WAYLAND_DISPLAY=wayland-1, DISPLAY is unset"},
        {nullptr, "wayland", ":0", nullptr, {false, true}, "xcb;wayland", true,
         "DISPLAY=:0 cannot be reached, Qt's wayland platform did not start on wayland-0"},
        {nullptr, "wayland", ":0", "wayland-0", {true, false}, "xcb;wayland", true,
         "Qt's xcb platform did not start on DISPLAY=:0, WAYLAND_DISPLAY=wayland-0 cannot be reached"},
        {"wayland", "wayland", ":0", "wayland-0", {}, "wayland", true,
         "QT_QPA_PLATFORM=wayland, WAYLAND_DISPLAY=wayland-0 cannot be reached"},
        {";", nullptr, nullptr, "w", {}, ";", true, "QT_QPA_PLATFORM=; names no platform"},
        {"wayland-egl;wayland;xcb;xcb", nullptr, nullptr, nullptr, {}, "wayland-egl;wayland;xcb;xcb", true,
         "QT_QPA_PLATFORM=wayland-egl;wayland;xcb;xcb, WAYLAND_DISPLAY and DISPLAY are unset"},
        {"vnc:size=800x600;XCB:nograb", nullptr, ":1", nullptr, {}, "vnc:size=800x600;XCB:nograb", true,
         "QT_QPA_PLATFORM=vnc:size=800x600;XCB:nograb, Qt's vnc platform did not start, DISPLAY=:1 cannot be reached"},
        {"xcb;OFFSCREEN", nullptr, nullptr, nullptr, {}, "xcb;OFFSCREEN", false, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.list);
        const DisplayPlatform::Environment environment{row.platform, row.session, row.display, row.wayland};
        EXPECT_EQ(DisplayPlatform::platforms(environment), row.list);
        EXPECT_EQ(DisplayPlatform::fellBack(environment, "offscreen"), row.fellBack);
        if (row.missing) {
            EXPECT_EQ(DisplayPlatform::missingDisplay(environment, row.answers), row.missing);
        }
    }
}

// Any X server's first answer to the set-up counts; bytes that cannot begin one do not.
TEST(DisplayPlatform, WhatCountsAsAnXServersAnswer) {
    const struct { std::string bytes; Reply reply; } rows[] = {
        {{"\x01\x00\x0b\x00\x00\x00\x20\x01", 8}, Reply::answered},   // Success, protocol 11
        {{"\x00\x1c\x0b\x00\x00\x00\x07\x00", 8}, Reply::answered},   // Failed ("No protocol specified")
        {{"\x02\x00\x00\x00\x00\x00\x05\x00", 8}, Reply::answered},   // Authenticate
        {{"\x01\x00\x0b", 3}, Reply::incomplete},
        {"", Reply::incomplete},
        {{"\x01\x00\x0c\x00\x00\x00\x20\x01", 8}, Reply::wrong},      // another protocol version
        {"HTTP/1.1 400", Reply::wrong},
        {"\x03", Reply::wrong}};
    for (const auto& row : rows) EXPECT_EQ(DisplayPlatform::xSetupReply(row.bytes), row.reply) << row.bytes.size();
}

// A compositor's answer to wl_display.sync: the callback's done, after which it may delete the id.
TEST(DisplayPlatform, WhatCountsAsAWaylandCompositorsAnswer) {
    auto message = [](std::uint32_t object, std::uint32_t size, std::uint32_t opcode) {
        const std::uint32_t header[] = {object, size << 16 | opcode};
        return std::string(reinterpret_cast<const char*>(header), sizeof header) + std::string(size > 8 ? size - 8 : 0, '\7');
    };
    const struct { std::string bytes; Reply reply; } rows[] = {
        {message(2, 12, 0), Reply::answered},
        {message(1, 12, 1) + message(2, 12, 0), Reply::answered},  // delete_id of an earlier id first
        {message(2, 12, 0).substr(0, 11), Reply::incomplete},
        {message(1, 12, 1), Reply::incomplete},
        {message(1, 24, 0), Reply::wrong},                        // wl_display.error
        {message(3, 12, 0), Reply::wrong},                        // an object nobody made
        {message(2, 4, 0), Reply::wrong},                         // shorter than its header
        {message(2, 14, 0), Reply::wrong},                        // not a whole number of words
        {"HTTP/1.1 400 Bad Request\r\n\r\n", Reply::wrong}};
    for (const auto& row : rows) EXPECT_EQ(DisplayPlatform::waylandSyncReply(row.bytes), row.reply) << row.bytes.size();
}

// Where libxcb connects for a DISPLAY value, in its order.
TEST(DisplayPlatform, WhereAnXClientConnects) {
    using Kind = DisplayPlatform::Endpoint::Kind;
    using Endpoints = std::vector<DisplayPlatform::Endpoint>;
    const struct { const char* display; Endpoints endpoints; } rows[] = {
        {":0", {{Kind::abstract, "/tmp/.X11-unix/X0"}, {Kind::file, "/tmp/.X11-unix/X0"}, {Kind::tcp, "localhost", 6000}}},
        {"unix:12.1", {{Kind::abstract, "/tmp/.X11-unix/X12"}, {Kind::file, "/tmp/.X11-unix/X12"}}},
        {"localhost:10.0", {{Kind::tcp, "localhost", 6010}}},
        {"tcp/host:1", {{Kind::tcp, "host", 6001}}},
        {"/run/user/0/x.sock.2", {{Kind::file, "/run/user/0/x.sock.2"}, {Kind::file, "/run/user/0/x.sock"}}},
        {"decnet/host:0", {}},
        {":x", {}},
        {"host", {}},
        {":1.", {}}};
    for (const auto& row : rows) EXPECT_EQ(DisplayPlatform::xEndpoints(row.display), row.endpoints) << row.display;
}
