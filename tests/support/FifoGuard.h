#pragma once

#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace morvanex::test {

// A FIFO that code under test must never open: opening one for reading waits for a writer,
// for good. Should anything still be waiting in such an open after `bound` (a generous "does
// not hang" guard, never a timing check), the guard opens the FIFO for writing, which lets
// it go, and notes that it had to: the test fails instead of stopping the whole run.
class FifoGuard {
public:
    explicit FifoGuard(QString path, std::chrono::seconds bound = std::chrono::seconds(60))
        : path_(std::move(path)) {
        made_ = ::mkfifo(QFile::encodeName(path_).constData(), 0600) == 0;
        watcher_ = std::thread([this, bound] {
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, bound, [this] { return dismissed_; }))
                return;
            // Open for writing succeeds only while someone waits to read; keep trying.
            while (!dismissed_) {
                const int fd =
                    ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ::close(fd);
                    released_ = true;
                }
                wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return dismissed_; });
            }
        });
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;
    ~FifoGuard() {
        {
            const std::lock_guard lock(mutex_);
            dismissed_ = true;
        }
        wake_.notify_all();
        watcher_.join();
    }

    bool made() const { return made_; }
    const QString& path() const { return path_; }
    // Whether something had been waiting to read the FIFO and had to be let go.
    bool released() const { return released_; }

private:
    QString path_;
    bool made_ = false;
    std::atomic<bool> released_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool dismissed_ = false;
    std::thread watcher_;
};

} // namespace morvanex::test
