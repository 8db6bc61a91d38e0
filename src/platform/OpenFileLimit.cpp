#include "platform/OpenFileLimit.h"

#include "platform/Log.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace morvanex::platform {

namespace {

// Where an unlimited or very large hard limit (some containers allow a billion descriptors) is
// not followed: code that closes or scans every possible descriptor up to the soft limit would
// crawl. Far more than any machine's processes need.
constexpr rlim_t raisedSoftLimitCeiling = 524288;

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
    const rlim_t target = std::min<rlim_t>(limit.rlim_max, raisedSoftLimitCeiling);
    if (limit.rlim_cur < target) {
        const rlim_t before = limit.rlim_cur;
        rlimit raised = limit;
        raised.rlim_cur = target;
        int result = ::setrlimit(RLIMIT_NOFILE, &raised);
        if (result != 0) {
            // Above the kernel's own ceiling: that ceiling, when it is still a raise.
            if (const auto ceiling = kernelCeiling();
                ceiling && *ceiling > before && *ceiling < target) {
                raised.rlim_cur = *ceiling;
                result = ::setrlimit(RLIMIT_NOFILE, &raised);
            }
        }
        if (result == 0) {
            rlim_t expected = 0;
            startingSoft.compare_exchange_strong(expected, before);
            limit = raised;
        } else {
            qCWarning(log::platform) << "Cannot raise the open-file limit from" << quint64(before)
                                     << "to" << quint64(target) << ":" << std::strerror(errno);
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
