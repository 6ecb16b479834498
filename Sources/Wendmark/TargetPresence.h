#pragma once

#include <string>
#include <utility>

namespace wendmark {

// What one inventory snapshot says about the remembered drive.
class TargetPresence {
public:
    enum class Kind { present, absent, unknown };

    // Connected as the device with this snapshot identifier.
    static TargetPresence present(std::string deviceID) { return {Kind::present, std::move(deviceID)}; }
    static TargetPresence absent() { return {Kind::absent, {}}; }
    // The snapshot cannot say (no session, several matches, or an unverified device may hide it).
    static TargetPresence unknown() { return {Kind::unknown, {}}; }

    Kind kind() const { return kind_; }
    bool isPresent() const { return kind_ == Kind::present; }
    bool isAbsent() const { return kind_ == Kind::absent; }
    bool isUnknown() const { return kind_ == Kind::unknown; }
    // The device identifier of a present target; empty for the other kinds.
    const std::string& deviceID() const { return deviceID_; }

    friend bool operator==(const TargetPresence&, const TargetPresence&) = default;

private:
    TargetPresence(Kind kind, std::string deviceID) : kind_(kind), deviceID_(std::move(deviceID)) {}

    Kind kind_;
    std::string deviceID_;
};

}  // namespace wendmark
