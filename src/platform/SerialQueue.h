#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace morvanex::platform {

namespace detail {
class SerialQueueCore;
} // namespace detail

// A repeating timer on a SerialQueue; the timer lives as long as its handle. Move-only.
// Destroying the handle cancels the timer, as does cancel(). Once cancel() returns on any thread
// other than the queue's own, the work is not running and never starts again (the call waits for
// a run in progress). Called from the queue's thread, including from the timer's own work, it
// just stops further runs. A handle may outlive its queue.
class TimerHandle {
public:
    TimerHandle() = default;
    TimerHandle(TimerHandle&& other) noexcept;
    TimerHandle& operator=(TimerHandle&& other) noexcept;
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;
    ~TimerHandle();

    void cancel();

private:
    friend class SerialQueue;
    TimerHandle(std::weak_ptr<detail::SerialQueueCore> core, std::uint64_t id);

    std::weak_ptr<detail::SerialQueueCore> core_;
    std::uint64_t id_ = 0;
};

// One worker thread running work items one at a time, in the order they were queued, plus
// repeating timers that fire on the same thread. The thread carries the label as its name
// (cut to the 15 bytes Linux allows).
//
// Never sync() onto a queue from a thread the queue's work waits for. Exceptions escaping a work
// item are caught and logged, and the queue carries on.
//
// Destruction runs every work item still queued (and those they queue in turn), stops the timers
// and joins the thread. Destroying the queue from one of its own work items is a programming
// error; it is handled without deadlock: the thread is released and finishes the queued work
// on its own after that item returns.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;
    ~SerialQueue();

    QString label() const { return label_; }

    // Queues `work` behind everything queued before it.
    void async(std::function<void()> work);
    // Runs `work` on the queue and returns once it has run. From the queue's own thread the
    // work runs inline, since waiting for the queue there would never end.
    void sync(const std::function<void()>& work);
    // True on the queue's thread.
    bool isCurrent() const;

    // Runs `work` on the queue every `interval` (the first run one interval from now) until the
    // handle is cancelled or destroyed. Intervals below one millisecond count as one. Runs that
    // fall behind are skipped, not queued up. To cancel from the work itself, assign the handle
    // on the queue (inside sync()) so the work never sees it half-assigned.
    [[nodiscard]] TimerHandle scheduleRepeating(std::chrono::milliseconds interval,
                                                std::function<void()> work);

private:
    const QString label_;
    std::shared_ptr<detail::SerialQueueCore> core_;
    std::thread thread_;
};

} // namespace morvanex::platform
