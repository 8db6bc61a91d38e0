#pragma once

#include "platform/linux/Statvfs.h"

#include <QHash>
#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace morvanex::platform {

// Reads a volume's space on a helper thread and waits for it at most a bound, so a network
// share whose server has gone away costs the caller the bound once, never a hang: the call
// then answers nothing, and while that read is still stuck, later calls for the same folder
// answer nothing at once instead of starting another thread that would hang as well.
class BoundedStatvfs {
public:
    explicit BoundedStatvfs(StatvfsFunction statvfs = readStatvfs,
                            std::chrono::milliseconds bound = std::chrono::milliseconds(200));
    BoundedStatvfs(const BoundedStatvfs&) = delete;
    BoundedStatvfs& operator=(const BoundedStatvfs&) = delete;

    std::optional<VolumeSpace> operator()(const QString& folder);

    // A read of the folder has not come back yet.
    bool isPending(const QString& folder) const;

private:
    struct Request;

    const StatvfsFunction statvfs_;
    const std::chrono::milliseconds bound_;
    mutable std::mutex mutex_;
    QHash<QString, std::shared_ptr<Request>> stuck_;
    std::atomic<bool> noThreads_ = false; // thread creation failed and has been logged
};

} // namespace morvanex::platform
