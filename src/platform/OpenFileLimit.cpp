#include "platform/OpenFileLimit.h"

#include "platform/Log.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace morvanex::platform {

namespace {

// The soft limit before raising; 0 until raised.
std::atomic<rlim_t> startingSoft{0};

// The kernel's ceiling on descriptors per process, which an unlimited hard limit means.
std::optional<rlim_t> kernelCeiling() {
    QFile file(QStringLiteral("/proc/sys/fs/nr_open"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = file.readAll().trimmed().toULongLong(&ok);
    return ok && value > 0 ? std::optional<rlim_t>(rlim_t(value)) : std::nullopt;
}

} // namespace

std::optional<OpenFileLimits> openFileLimits() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return std::nullopt;
    return OpenFileLimits{std::uint64_t(limit.rlim_cur), std::uint64_t(limit.rlim_max)};
}

std::optional<OpenFileLimits> raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        qCWarning(log::platform) << "Cannot read the open-file limit:" << std::strerror(errno);
        return std::nullopt;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t before = limit.rlim_cur;
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        int result = ::setrlimit(RLIMIT_NOFILE, &raised);
        if (result != 0 && limit.rlim_max == RLIM_INFINITY) {
            if (const auto ceiling = kernelCeiling(); ceiling && *ceiling > before) {
                raised.rlim_cur = *ceiling;
                result = ::setrlimit(RLIMIT_NOFILE, &raised);
            }
        }
        if (result == 0) {
            rlim_t expected = 0;
            startingSoft.compare_exchange_strong(expected, before);
            limit = raised;
        } else {
            qCWarning(log::platform)
                << "Cannot raise the open-file limit from" << quint64(before) << "to"
                << quint64(limit.rlim_max) << ":" << std::strerror(errno);
        }
    }
    return OpenFileLimits{std::uint64_t(limit.rlim_cur), std::uint64_t(limit.rlim_max)};
}

void restoreStartingOpenFileLimit() {
    const rlim_t soft = startingSoft.load();
    if (soft == 0)
        return;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || soft > limit.rlim_max)
        return;
    limit.rlim_cur = soft;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace morvanex::platform
