#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Wendmark/ObservationInventory.h"

// An inventory that only records what it is told, in order ("start", "stop",
// "setSampling(true,1)", "refresh", "refreshMetadata", "resetActivity"), and hands the test the
// snapshot handler it was made with.
class FakeInventory final : public wendmark::ObservationInventory {
public:
    std::vector<std::string> calls;
    Handler handler;

    void start() override { calls.push_back("start"); }
    void stop() override { calls.push_back("stop"); }
    void setSampling(bool enabled, double interval) override {
        calls.push_back("setSampling(" + std::string(enabled ? "true" : "false") + "," + format(interval) + ")");
    }
    void refresh() override { calls.push_back("refresh"); }
    void refreshMetadata() override { calls.push_back("refreshMetadata"); }
    void resetActivity() override { calls.push_back("resetActivity"); }

    // Delivers a snapshot as the inventory's queue would.
    void deliver(const wendmark::InventorySnapshot& snapshot) const { handler(snapshot); }

    // A factory that keeps every inventory it makes in `made`, the newest last.
    static Factory factory(std::shared_ptr<std::vector<std::shared_ptr<FakeInventory>>> made) {
        return [made](Handler handler) {
            auto inventory = std::make_shared<FakeInventory>();
            inventory->handler = std::move(handler);
            made->push_back(inventory);
            return inventory;
        };
    }

private:
    static std::string format(double value) {
        std::string text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == '.') text.pop_back();
        return text;
    }
};
