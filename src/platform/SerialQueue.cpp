#include "platform/SerialQueue.h"

#include "platform/Log.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <pthread.h>
#include <utility>

namespace morvanex::platform {

namespace detail {

namespace {

using Clock = std::chrono::steady_clock;

// Linux keeps 15 bytes of a thread name; cut there without splitting a UTF-8 sequence.
QByteArray threadNameFor(const QString& label) {
    constexpr qsizetype limit = 15;
    QByteArray name = label.toUtf8();
    if (name.size() > limit) {
        qsizetype cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    return name;
}

} // namespace

// The state the worker thread shares with the queue and with timer handles. It outlives the
// SerialQueue object while the worker or a cancelling handle still uses it.
class SerialQueueCore {
public:
    explicit SerialQueueCore(const QString& label)
        : label_(label.toUtf8()), threadName_(threadNameFor(label)) {}

    void setWorker(std::thread::id worker) { worker_.store(worker); }
    bool onWorker() const { return std::this_thread::get_id() == worker_.load(); }

    // A work item must not take the queue down: a throw escaping the worker would terminate the
    // process.
    void invoke(const std::function<void()>& work) const {
        try {
            work();
        } catch (const std::exception& error) {
            qCWarning(log::platform, "SerialQueue \"%s\": work item threw: %s", label_.constData(),
                      error.what());
        } catch (...) {
            qCWarning(log::platform, "SerialQueue \"%s\": work item threw a non-standard exception",
                      label_.constData());
        }
    }

    void post(std::function<void()> work) {
        {
            const std::lock_guard lock(mutex_);
            items_.push_back(std::move(work));
        }
        wake_.notify_one();
    }

    std::uint64_t addTimer(std::chrono::milliseconds interval, std::function<void()> work) {
        std::uint64_t id = 0;
        {
            const std::lock_guard lock(mutex_);
            id = nextTimerId_++;
            timers_.emplace(id,
                            Timer{interval, Clock::now() + interval,
                                  std::make_shared<const std::function<void()>>(std::move(work))});
        }
        wake_.notify_one(); // the new timer may be due before the one the worker waits for
        return id;
    }

    void cancelTimer(std::uint64_t id) {
        decltype(timers_)::node_type removed; // destroyed after the lock is released
        std::unique_lock lock(mutex_);
        removed = timers_.extract(id);
        // On the worker the timer cannot be running unless this is its own work cancelling it;
        // anywhere else, wait so that nothing the work uses is freed under it.
        if (!onWorker())
            timerIdle_.wait(lock, [&] { return runningTimer_ != id; });
    }

    void stop() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
    }

    void run() {
        pthread_setname_np(pthread_self(), threadName_.constData());
        std::unique_lock lock(mutex_);
        for (;;) {
            if (!stopping_) {
                const auto due = earliestTimer();
                if (due != timers_.end() && due->second.next <= Clock::now()) {
                    runTimer(lock, due);
                    continue;
                }
            }
            if (!items_.empty()) {
                std::function<void()> work = std::move(items_.front());
                items_.pop_front();
                lock.unlock();
                invoke(work);
                work = nullptr; // captures are released before the lock is retaken
                lock.lock();
                continue;
            }
            if (stopping_)
                break;
            const auto due = earliestTimer();
            if (due == timers_.end())
                wake_.wait(lock);
            else
                // By value: a cancel may erase the timer while we wait.
                wake_.wait_until(lock, Clock::time_point(due->second.next));
        }
        auto timers = std::exchange(timers_, {});
        lock.unlock();
    }

private:
    struct Timer {
        std::chrono::milliseconds interval;
        Clock::time_point next;
        // Shared so a run in progress keeps the work alive if the timer is cancelled meanwhile.
        std::shared_ptr<const std::function<void()>> work;
    };
    using Timers = std::map<std::uint64_t, Timer>;

    Timers::iterator earliestTimer() {
        return std::min_element(timers_.begin(), timers_.end(), [](const auto& a, const auto& b) {
            return a.second.next < b.second.next;
        });
    }

    void runTimer(std::unique_lock<std::mutex>& lock, Timers::iterator due) {
        const std::uint64_t id = due->first;
        auto work = due->second.work;
        runningTimer_ = id;
        lock.unlock();
        invoke(*work);
        work.reset(); // if cancelled meanwhile, the work dies here, before its canceller returns
        lock.lock();
        runningTimer_ = 0;
        timerIdle_.notify_all();
        if (const auto again = timers_.find(id); again != timers_.end()) {
            Timer& timer = again->second;
            timer.next += timer.interval;
            const auto now = Clock::now();
            if (timer.next <= now)
                timer.next = now + timer.interval; // fell behind: skip the missed runs
        }
    }

    const QByteArray label_;
    const QByteArray threadName_;
    std::atomic<std::thread::id> worker_;

    std::mutex mutex_;
    std::condition_variable wake_;      // the worker waits here for work, timers or stop
    std::condition_variable timerIdle_; // cancellers wait here for a running timer to finish
    std::deque<std::function<void()>> items_;
    Timers timers_;
    std::uint64_t nextTimerId_ = 1;
    std::uint64_t runningTimer_ = 0;
    bool stopping_ = false;
};

} // namespace detail

TimerHandle::TimerHandle(std::weak_ptr<detail::SerialQueueCore> core, std::uint64_t id)
    : core_(std::move(core)), id_(id) {}

TimerHandle::TimerHandle(TimerHandle&& other) noexcept
    : core_(std::move(other.core_)), id_(std::exchange(other.id_, 0)) {}

TimerHandle& TimerHandle::operator=(TimerHandle&& other) noexcept {
    if (this != &other) {
        cancel();
        core_ = std::move(other.core_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

TimerHandle::~TimerHandle() {
    cancel();
}

void TimerHandle::cancel() {
    const std::uint64_t id = std::exchange(id_, 0);
    if (const auto core = std::exchange(core_, {}).lock(); core && id != 0)
        core->cancelTimer(id);
}

SerialQueue::SerialQueue(QString label)
    : label_(std::move(label)), core_(std::make_shared<detail::SerialQueueCore>(label_)),
      thread_([core = core_] { core->run(); }) {
    core_->setWorker(thread_.get_id());
}

SerialQueue::~SerialQueue() {
    core_->stop();
    if (isCurrent()) {
        // The worker is inside the work item destroying us; joining would wait for ourselves.
        // Let it finish the queued work on its own: it holds the shared state, not this object.
        qCWarning(log::platform,
                  "SerialQueue \"%s\" destroyed from its own thread; it drains detached",
                  qUtf8Printable(label_));
        thread_.detach();
        return;
    }
    thread_.join();
}

void SerialQueue::async(std::function<void()> work) {
    if (work)
        core_->post(std::move(work));
}

void SerialQueue::sync(const std::function<void()>& work) {
    if (!work)
        return;
    if (isCurrent()) {
        core_->invoke(work);
        return;
    }
    // Shared, so the worker's last touch of it cannot outlive the waiting caller's stack.
    struct Completion {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
    };
    const auto completion = std::make_shared<Completion>();
    core_->post([core = core_.get(), &work, completion] {
        core->invoke(work);
        const std::lock_guard lock(completion->mutex);
        completion->done = true;
        completion->finished.notify_all();
    });
    std::unique_lock lock(completion->mutex);
    completion->finished.wait(lock, [&] { return completion->done; });
}

bool SerialQueue::isCurrent() const {
    return core_->onWorker();
}

TimerHandle SerialQueue::scheduleRepeating(std::chrono::milliseconds interval,
                                           std::function<void()> work) {
    if (!work)
        return {};
    interval = std::max(interval, std::chrono::milliseconds(1));
    return TimerHandle(core_, core_->addTimer(interval, std::move(work)));
}

} // namespace morvanex::platform
