#include "FakeLoginItemRegistry.h"

#include <algorithm>

std::size_t FakeLoginItemRegistry::count(Call call) const {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

std::int64_t FakeLoginItemRegistry::status() {
    calls.push_back(Call::status);
    return currentStatus;
}

std::optional<std::string> FakeLoginItemRegistry::registerMainApp() {
    calls.push_back(Call::registerMainApp);
    if (registerError) return registerError;
    currentStatus = statusAfterRegister;
    return std::nullopt;
}

std::optional<std::string> FakeLoginItemRegistry::unregisterMainApp() {
    calls.push_back(Call::unregisterMainApp);
    if (unregisterError) return unregisterError;
    currentStatus = statusAfterUnregister;
    return std::nullopt;
}

void FakeLoginItemRegistry::openLoginItemsSettings() { calls.push_back(Call::openLoginItemsSettings); }
