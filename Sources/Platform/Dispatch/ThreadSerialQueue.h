#pragma once

#include <memory>
#include <string>

#include "SerialQueue.h"

namespace platform {

// A serial queue with one worker thread of its own. Its clock is CLOCK_MONOTONIC.
// Releasing the last owner, also from one of the queue's own work items, lets the worker finish
// the work already submitted with async() and end; delayed work not yet due is dropped.
class ThreadSerialQueue final : public SerialQueue {
public:
    static std::shared_ptr<ThreadSerialQueue> make(std::string label);
    ~ThreadSerialQueue() override;

    const std::string& label() const override;
    void async(std::function<void()> work) override;
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
    void sync(std::function<void()> work) override;
    bool isCurrent() const override;
    double now() const override;

    struct State;
    explicit ThreadSerialQueue(std::string label);  // use make()

private:
    std::shared_ptr<State> state_;
};

// The queue of the thread that calls run(): the main queue of a program without a GUI event loop.
class RunLoopQueue final : public SerialQueue {
public:
    explicit RunLoopQueue(std::string label);
    ~RunLoopQueue() override;

    // Runs work on the calling thread until stop() is called (from any thread). run() returns
    // after the item running at that moment, at once if stop() came first; the rest waits for the
    // next run(). Destroying the queue from its own work lets run() finish the ready work and return.
    void run();
    void stop();

    const std::string& label() const override;
    void async(std::function<void()> work) override;
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
    void sync(std::function<void()> work) override;
    bool isCurrent() const override;
    double now() const override;

private:
    std::shared_ptr<ThreadSerialQueue::State> state_;
};

}  // namespace platform
