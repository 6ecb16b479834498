#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/LoginItemRegistry.h"

// A login-item registry held in memory: a status the test sets, register and unregister that
// succeed (moving the status) or fail with a given text, and a record of every call.
class FakeLoginItemRegistry final : public platform::LoginItemRegistry {
public:
    enum class Call { status, registerMainApp, unregisterMainApp, openLoginItemsSettings };

    std::int64_t currentStatus = notRegistered;
    std::optional<std::string> registerError;    // registerMainApp fails with this text
    std::optional<std::string> unregisterError;  // unregisterMainApp fails with this text
    // The status a successful call leaves behind.
    std::int64_t statusAfterRegister = enabled;
    std::int64_t statusAfterUnregister = notRegistered;

    std::vector<Call> calls;
    std::size_t count(Call call) const;

    std::int64_t status() override;
    std::optional<std::string> registerMainApp() override;
    std::optional<std::string> unregisterMainApp() override;
    void openLoginItemsSettings() override;
};
