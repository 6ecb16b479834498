#pragma once

#include <string>
#include <string_view>
#include <functional>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"
#include "Platform/Foundation/UUID.h"

namespace quentrel {

// One user action that the UI app asks the agent to carry out. Exactly one of 29 cases; seven
// carry values: `select` a device id, `surface` a surface id and its visibility, and the five
// switches (`pause`, `background`, `showOnLaunch`, `notifications`, `login`) one flag.
//
// JSON: {"<case>":{}} for a case without values, {"select":{"_0":"<id>"}},
// {"surface":{"_0":"<UUID>","_1":true}}, {"pause":{"_0":true}}.
struct ObserverUICommand {
    enum class Case {
        select,
        completeOnboarding,
        surface,
        pause,
        refresh,
        background,
        showOnLaunch,
        remember,
        forget,
        reset,
        undoReset,
        clearEvents,
        undoEvents,
        clearSessions,
        undoSessions,
        newSession,
        notifications,
        refreshNotifications,
        testNotification,
        login,
        refreshLogin,
        approvalSettings,
        prepareDiagnostics,
        discardDiagnostics,
        copyDiagnostics,
        saveDiagnostics,
        revealVolume,
        quickView,
        quit,
    };

    Case kind = Case::refresh;
    std::string deviceID;       // select
    platform::UUID surfaceID;   // surface
    bool flag = false;          // surface (visible) and the five switches

    // A case without values (any other case builds with its values' defaults).
    static ObserverUICommand make(Case kind) { return ObserverUICommand{kind, {}, {}, false}; }
    static ObserverUICommand select(std::string deviceID) { return {Case::select, std::move(deviceID), {}, false}; }
    static ObserverUICommand surface(platform::UUID id, bool visible) { return {Case::surface, {}, id, visible}; }
    static ObserverUICommand withFlag(Case kind, bool on) { return {kind, {}, {}, on}; }

    // The case name, as the JSON key.
    static std::string_view caseName(Case kind);

    void toJSON(platform::json::Writer& writer) const;
    // Fails (platform::json::DecodingError) unless exactly one key of the object is a case name:
    // "Invalid number of keys found, expected one."; keys that are no case name are not looked at.
    static ObserverUICommand fromJSON(const platform::json::Value& value);

    friend bool operator==(const ObserverUICommand&, const ObserverUICommand&) = default;
};

// Where a mirror sends the commands it builds.
using CommandSink = std::function<void(const ObserverUICommand&)>;

}  // namespace quentrel

template <>
struct platform::json::Coder<quentrel::ObserverUICommand> {
    static void encode(const quentrel::ObserverUICommand& c, Writer& w, const Options&) { c.toJSON(w); }
    static quentrel::ObserverUICommand decode(const Value& v, const Options&) {
        return quentrel::ObserverUICommand::fromJSON(v);
    }
};
