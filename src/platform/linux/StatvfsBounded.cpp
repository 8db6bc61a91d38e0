#include "platform/linux/StatvfsBounded.h"

#include "platform/Log.h"

#include <condition_variable>
#include <exception>
#include <system_error>
#include <thread>

namespace morvanex::platform {

// Shared by the caller and the helper thread, which may outlive the caller.
struct BoundedStatvfs::Request {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<VolumeSpace> space;
};

BoundedStatvfs::BoundedStatvfs(StatvfsFunction statvfs, std::chrono::milliseconds bound)
    : statvfs_(std::move(statvfs)), bound_(bound) {}

std::optional<VolumeSpace> BoundedStatvfs::operator()(const QString& folder) {
    {
        const std::lock_guard lock(mutex_);
        if (const auto stuck = stuck_.value(folder)) {
            const std::lock_guard requestLock(stuck->mutex);
            if (!stuck->done)
                return std::nullopt;
            // It came back after all; its answer is old by now, so ask afresh.
            stuck_.remove(folder);
        }
    }

    auto request = std::make_shared<Request>();
    try {
        // The thread owns copies of everything it touches: it may still be blocked in the
        // kernel when this object is gone.
        std::thread([request, statvfs = statvfs_, folder] {
            std::optional<VolumeSpace> space;
            // A throw escaping this thread would end the process; the folder just has no
            // answer this time.
            try {
                space = statvfs(folder);
            } catch (const std::exception& error) {
                qCWarning(log::platform, "Disk space of %s could not be read: %s",
                          qUtf8Printable(folder), error.what());
            } catch (...) {
                qCWarning(log::platform, "Disk space of %s could not be read: unknown failure",
                          qUtf8Printable(folder));
            }
            const std::lock_guard lock(request->mutex);
            request->space = space;
            request->done = true;
            request->finished.notify_all();
        }).detach();
    } catch (const std::system_error& error) {
        // No thread to be had: better no value than a hang. Said once until threads come back.
        if (!noThreads_.exchange(true))
            qCWarning(log::platform, "No thread to read disk space on: %s", error.what());
        return std::nullopt;
    }
    noThreads_ = false;

    std::unique_lock lock(request->mutex);
    if (request->finished.wait_for(lock, bound_, [&] { return request->done; }))
        return request->space;
    lock.unlock();
    const std::lock_guard stuckLock(mutex_);
    stuck_.insert(folder, request);
    return std::nullopt;
}

bool BoundedStatvfs::isPending(const QString& folder) const {
    const std::lock_guard lock(mutex_);
    const auto request = stuck_.value(folder);
    if (!request)
        return false;
    const std::lock_guard requestLock(request->mutex);
    return !request->done;
}

} // namespace morvanex::platform
