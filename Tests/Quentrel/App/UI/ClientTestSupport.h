#pragma once

// Fakes of the client's presenter and channel, and a harness that runs a launched client on
// virtual time.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ObserverUIClient.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/JSONCoding.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"

namespace uiclient {

class FakePresenter final : public quentrel::UIPresenter {
public:
    explicit FakePresenter(std::shared_ptr<quentrel::ObserverStore> store) : store_(std::move(store)) {}

    quentrel::ObserverStore& store() override { return *store_; }
    void setOnEmptyUI(std::function<void()> f) override { onEmptyUI = std::move(f); }
    void setOnHide(std::function<void()> f) override { onHide = std::move(f); }
    void prepareUIOnly() override { ++prepared; }
    void showLocalQuickView() override { ++localQuickViews; }
    void present(const quentrel::ObserverUIPresentation& p) override {
        presented.push_back(p);
        shown = true;
    }
    bool hasPresentedUI() const override { return shown; }
    void closeAllUI() override {
        ++closedAll;
        shown = false;
    }

    // A surface closes: nothing is left when `last`.
    void closeSurface(bool last = true) {
        if (last) shown = false;
        if (onEmptyUI) onEmptyUI();
    }

    std::shared_ptr<quentrel::ObserverStore> store_;
    std::function<void()> onEmptyUI;
    std::function<void()> onHide;
    std::vector<quentrel::ObserverUIPresentation> presented;
    bool shown = false;
    int prepared = 0;
    int localQuickViews = 0;
    int closedAll = 0;
};

class FakeChannel final : public quentrel::ObserverUIClient::Channel {
public:
    void start() override { started = true; }
    void send(const quentrel::ObserverUIMessage& m) override {
        if (!finished) sent.push_back(platform::json::encode(m));
    }
    void finish() override {
        if (finished) return;
        finished = true;
        if (ended) ended();
    }
    void afterFlushing(std::function<void()> action) override { flushActions.push_back(std::move(action)); }

    quentrel::ObserverUIChannel::Receive receive;
    quentrel::ObserverUIChannel::Ended ended;
    std::vector<std::string> sent;  // JSON of every message sent
    std::vector<std::function<void()>> flushActions;
    bool started = false;
    bool finished = false;
};

struct ClientHarness {
    ClientHarness() {
        quentrel::ObserverUIClient::Environment environment;
        environment.mainQueue = main;
        environment.storeServices.now = [time = time] { return platform::Date{time->wall()}; };
        environment.defaultsDomain = "local.test.Kavrinet.UI";
        environment.makeChannel = [this](quentrel::ObserverUIChannel::Receive r, quentrel::ObserverUIChannel::Ended e) {
            channel->receive = std::move(r);
            channel->ended = std::move(e);
            return channel;
        };
        environment.makePresenter = [this](std::shared_ptr<quentrel::ObserverStore> store) {
            presenter = std::make_shared<FakePresenter>(std::move(store));
            return presenter;
        };
        environment.terminate = [this] { ++terminations; };
        client = quentrel::ObserverUIClient::make(std::move(environment));
        client->applicationDidFinishLaunching();
    }
    ~ClientHarness() { quentrel::ObserverWindowPresenter::resetToDefaults(); }

    // The agent sends `message`; the main queue then runs.
    void deliver(const quentrel::ObserverUIMessage& message) {
        channel->receive(message);
        time->runUntilIdle();
    }
    void deliverState(std::uint64_t revision) {
        deliver(quentrel::ObserverUIMessage::state(revision, quentrel::ObserverUIState{}));
    }
    // What was sent after the ready message.
    std::vector<std::string> sentAfterReady() const {
        return {channel->sent.begin() + (channel->sent.empty() ? 0 : 1), channel->sent.end()};
    }
    quentrel::ObserverStore& store() { return presenter->store(); }

    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(700'000'000);
    platform::SerialQueuePtr main = time->makeQueue("main");
    std::shared_ptr<FakeChannel> channel = std::make_shared<FakeChannel>();
    std::shared_ptr<FakePresenter> presenter;
    std::shared_ptr<quentrel::ObserverUIClient> client;
    int terminations = 0;
};

inline quentrel::ObserverUIPresentation presentation(std::string window, std::optional<std::vector<double>> anchor = {}) {
    return {std::move(window), std::move(anchor)};
}

inline const std::string closingJSON = R"({"closing":{}})";

}  // namespace uiclient
