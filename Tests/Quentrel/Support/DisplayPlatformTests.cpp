#include "Quentrel/Support/DisplayPlatform.h"
#include <gtest/gtest.h>

// What both programs try for an environment (a Wayland session with XWayland or without,
// QT_QPA_PLATFORM set or not), whether an offscreen start was a fallback, and the reason.
TEST(DisplayPlatform, TheListQtWouldTryAndWhyNoneOfItStarted) {
    const struct { const char *platform, *session, *display, *wayland; bool answers; const char* list; bool fellBack;
                   const char* missing; } rows[] = {
        {nullptr, nullptr, nullptr, nullptr, false, "xcb", true, "DISPLAY and WAYLAND_DISPLAY are unset"},
        {"", "Wayland", ":5", nullptr, false, "xcb", true, "DISPLAY=:5 cannot be reached, WAYLAND_DISPLAY is unset"},
        {nullptr, "x11", ":5", "/run/w", false, "xcb;wayland", true,
         "DISPLAY=:5 and WAYLAND_DISPLAY=/run/w cannot be reached"},
        {nullptr, nullptr, nullptr, "", false, "wayland;xcb", true, "WAYLAND_DISPLAY and DISPLAY are unset"},
        {nullptr, "wayland", nullptr, "wayland-1", true, "wayland;xcb", true,
         "Qt's wayland platform did not start on WAYLAND_DISPLAY=wayland-1, DISPLAY is unset"},
        {nullptr, "wayland", ":0", nullptr, true, "xcb;wayland", true,
         "Qt's xcb platform did not start on DISPLAY=:0, Qt's wayland platform did not start on wayland-0"},
        {"wayland", "wayland", ":0", "wayland-0", false, "wayland", true,
         "QT_QPA_PLATFORM=wayland, WAYLAND_DISPLAY=wayland-0 cannot be reached"},
        {";", nullptr, nullptr, "w", false, ";", true, "QT_QPA_PLATFORM=; names no platform"},
        {"wayland-egl;wayland;xcb;xcb", nullptr, nullptr, nullptr, false, "wayland-egl;wayland;xcb;xcb", true,
         "QT_QPA_PLATFORM=wayland-egl;wayland;xcb;xcb, WAYLAND_DISPLAY and DISPLAY are unset"},
        {"vnc:size=800x600;XCB:nograb", nullptr, ":1", nullptr, false, "vnc:size=800x600;XCB:nograb", true,
         "QT_QPA_PLATFORM=vnc:size=800x600;XCB:nograb, Qt's vnc platform did not start, DISPLAY=:1 cannot be reached"},
        {"xcb;OFFSCREEN", nullptr, nullptr, nullptr, false, "xcb;OFFSCREEN", false, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.list);
        const quentrel::DisplayPlatform::Environment environment{row.platform, row.session, row.display, row.wayland};
        EXPECT_EQ(quentrel::DisplayPlatform::platforms(environment), row.list);
        EXPECT_EQ(quentrel::DisplayPlatform::fellBack(environment, "offscreen"), row.fellBack);
        if (row.missing) {
            EXPECT_EQ(quentrel::DisplayPlatform::missingDisplay(environment, {row.answers, row.answers}), row.missing);
        }
    }
}

using Reply = quentrel::DisplayPlatform::Reply;

// Any X server's first answer to the set-up counts (Success, Failed, Authenticate); nothing else.
TEST(DisplayPlatform, WhatCountsAsAnXServersAnswer) {
    const struct { std::string bytes; Reply reply; } rows[] = {
        {{"\x01\x00\x0b\x00\x00\x00\x20\x01", 8}, Reply::answered},  // Success, protocol 11
        {{"\x02\x00\x00\x00\x00\x00\x05\x00", 8}, Reply::answered},  // Authenticate
        {{"\x00\x1c\x0b\x00\x00\x00\x07\x00", 8}, Reply::answered},  // Failed
        {{"\x01\x00\x0c\x00\x00\x00\x20\x01", 8}, Reply::wrong},     // another protocol
        {"HTTP/1.1 400", Reply::wrong}};
    for (const auto& row : rows) EXPECT_EQ(quentrel::DisplayPlatform::xSetupReply(row.bytes), row.reply) << row.bytes;
}

// A compositor's answer to wl_display.sync: the callback's done, maybe after a delete_id.
TEST(DisplayPlatform, WhatCountsAsAWaylandCompositorsAnswer) {
    auto message = [](std::uint32_t object, std::uint32_t size, std::uint32_t opcode) {
        const std::uint32_t header[] = {object, size << 16 | opcode};
        return std::string(reinterpret_cast<const char*>(header), sizeof header) + std::string(size > 8 ? size - 8 : 0, '\7');
    };
    const struct { std::string bytes; Reply reply; } rows[] = {
        {message(1, 12, 1) + message(2, 12, 0), Reply::answered},
        {message(2, 12, 0).substr(0, 11), Reply::incomplete},
        {message(1, 24, 0), Reply::wrong},  // wl_display.error
        {message(2, 4, 0), Reply::wrong}};  // shorter than its header
    for (const auto& row : rows) EXPECT_EQ(quentrel::DisplayPlatform::waylandSyncReply(row.bytes), row.reply);
}

// Where libxcb connects for a DISPLAY value, in its order.
TEST(DisplayPlatform, WhereAnXClientConnects) {
    using Kind = quentrel::DisplayPlatform::Endpoint::Kind;
    const struct { const char* display; std::vector<quentrel::DisplayPlatform::Endpoint> endpoints; } rows[] = {
        {":0", {{Kind::abstract, "/tmp/.X11-unix/X0"}, {Kind::file, "/tmp/.X11-unix/X0"}, {Kind::tcp, "localhost", 6000}}},
        {"localhost:10.0", {{Kind::tcp, "localhost", 6010}}},
        {"decnet/host:0", {}}};
    for (const auto& row : rows) EXPECT_EQ(quentrel::DisplayPlatform::xEndpoints(row.display), row.endpoints) << row.display;
}
