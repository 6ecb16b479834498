#include "ObserverUICommand.h"

#include <array>

namespace quentrel {

namespace {

using Case = ObserverUICommand::Case;
namespace json = platform::json;

// The case names in declaration order, as the JSON keys (case-sensitive).
constexpr std::array<std::pair<Case, std::string_view>, 29> caseNames{{
    {Case::select, "select"},
    {Case::completeOnboarding, "completeOnboarding"},
    {Case::surface, "surface"},
    {Case::pause, "pause"},
    {Case::refresh, "refresh"},
    {Case::background, "background"},
    {Case::showOnLaunch, "showOnLaunch"},
    {Case::remember, "remember"},
    {Case::forget, "forget"},
    {Case::reset, "reset"},
    {Case::undoReset, "undoReset"},
    {Case::clearEvents, "clearEvents"},
    {Case::undoEvents, "undoEvents"},
    {Case::clearSessions, "clearSessions"},
    {Case::undoSessions, "undoSessions"},
    {Case::newSession, "newSession"},
    {Case::notifications, "notifications"},
    {Case::refreshNotifications, "refreshNotifications"},
    {Case::testNotification, "testNotification"},
    {Case::login, "login"},
    {Case::refreshLogin, "refreshLogin"},
    {Case::approvalSettings, "approvalSettings"},
    {Case::prepareDiagnostics, "prepareDiagnostics"},
    {Case::discardDiagnostics, "discardDiagnostics"},
    {Case::copyDiagnostics, "copyDiagnostics"},
    {Case::saveDiagnostics, "saveDiagnostics"},
    {Case::revealVolume, "revealVolume"},
    {Case::quickView, "quickView"},
    {Case::quit, "quit"},
}};

constexpr std::string_view firstValueKey = "_0";
constexpr std::string_view secondValueKey = "_1";

// The five switches carry one Bool each.
bool isSwitch(Case kind) {
    return kind == Case::pause || kind == Case::background || kind == Case::showOnLaunch ||
           kind == Case::notifications || kind == Case::login;
}

}  // namespace

std::string_view ObserverUICommand::caseName(Case kind) {
    for (const auto& [c, name] : caseNames)
        if (c == kind) return name;
    return {};
}

void ObserverUICommand::toJSON(json::Writer& writer) const {
    json::encodeCase(writer, caseName(kind), json::Options{}, [&](json::ObjectEncoder& values) {
        if (kind == Case::select) {
            values.field(firstValueKey, deviceID);
        } else if (kind == Case::surface) {
            values.field(firstValueKey, surfaceID).field(secondValueKey, flag);
        } else if (isSwitch(kind)) {
            values.field(firstValueKey, flag);
        }
    });
}

ObserverUICommand ObserverUICommand::fromJSON(const json::Value& value) {
    // Only keys that are case names count; exactly one of them must be there.
    const auto [kind, payload] = json::findCase(value, caseNames);

    const json::ObjectDecoder values(*payload);  // fails unless the value is an object
    const std::string key(caseName(kind));
    try {
        if (kind == Case::select) return select(values.required<std::string>(firstValueKey));
        if (kind == Case::surface)
            return surface(values.required<platform::UUID>(firstValueKey), values.required<bool>(secondValueKey));
        if (isSwitch(kind)) return withFlag(kind, values.required<bool>(firstValueKey));
    } catch (const json::DecodingError& e) {
        throw json::DecodingError(key + "." + e.what());
    }
    return make(kind);
}

}  // namespace quentrel
