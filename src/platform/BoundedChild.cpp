#include "platform/BoundedChild.h"

#include "platform/Descriptor.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace morvanex::platform {

namespace {

// How often a waiting pump looks at its cancel flag.
constexpr int cancelCheckMs = 40;

QString errnoText(const char* what, int error) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(error)));
}

// The input as an anonymous file read from its start: the child reads it at its own pace and
// this process never blocks writing, nor takes SIGPIPE from a child that stopped reading.
int inputFile(const QByteArray& input, QString& error) {
    Descriptor file(memfd_create("morvanex-child-input", MFD_CLOEXEC));
    if (file.get() < 0) {
        error = errnoText("memfd_create", errno);
        return -1;
    }
    for (qsizetype done = 0; done < input.size();) {
        const ssize_t written =
            ::write(file.get(), input.constData() + done, size_t(input.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = errnoText("writing the child's input", errno);
            return -1;
        }
        done += written;
    }
    if (::lseek(file.get(), 0, SEEK_SET) != 0) {
        error = errnoText("lseek", errno);
        return -1;
    }
    return file.release();
}

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

std::unique_ptr<BoundedChild> BoundedChild::start(const QByteArray& program,
                                                  const QStringList& arguments,
                                                  const QByteArray& input, QString& error) {
    const Descriptor in(inputFile(input, error));
    if (in.get() < 0)
        return nullptr;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        error = errnoText("pipe", errno);
        return nullptr;
    }
    Descriptor readEnd(ends[0]);
    const Descriptor writeEnd(ends[1]);
    ::fcntl(readEnd.get(), F_SETFL, ::fcntl(readEnd.get(), F_GETFL) | O_NONBLOCK);

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, in.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, writeEnd.get(), STDOUT_FILENO);
    // Descriptors this process opened without close-on-exec stay here.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);
    // The thread starting it may hold SIGTERM back for its own handling; the child must not.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGXCPU})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const QByteArray path = program;
    std::vector<QByteArray> texts{path};
    for (const QString& argument : arguments)
        texts.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int failed = posix_spawn(&pid, path.constData(), &setup.actions, &setup.attributes,
                                   argv.data(), environ);
    if (failed != 0) {
        error = QStringLiteral("%1: %2").arg(QFile::decodeName(program),
                                             QString::fromLocal8Bit(std::strerror(failed)));
        return nullptr;
    }
    return std::unique_ptr<BoundedChild>(new BoundedChild(pid, readEnd.release()));
}

BoundedChild::~BoundedChild() {
    if (output_ >= 0)
        ::close(output_);
    if (!status_) {
        ::kill(pid_, SIGKILL);
        reap(true);
    }
}

bool BoundedChild::reap(bool wait) {
    if (status_)
        return true;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status, wait ? 0 : WNOHANG);
        if (done < 0 && errno == EINTR)
            continue;
        if (done == pid_) {
            status_ = status;
            return true;
        }
        if (done < 0) { // already reaped elsewhere: nothing more to learn
            status_ = -1;
            return true;
        }
        return false;
    }
}

BoundedChild::Pump BoundedChild::pump(QByteArray& output, Clock::time_point deadline,
                                      const std::atomic<bool>& cancelled) {
    for (;;) {
        if (cancelled.load())
            return Pump::cancelled;
        if (output_ < 0 && reap(false))
            return Pump::ended;
        const auto now = Clock::now();
        if (now >= deadline)
            return Pump::timedOut;
        const int wait = int(std::min<long long>(
            cancelCheckMs,
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1));
        if (output_ < 0) {
            // Output is over; the child is on its way out.
            ::poll(nullptr, 0, std::min(wait, 5));
            continue;
        }
        pollfd watched{output_, POLLIN, 0};
        const int ready = ::poll(&watched, 1, wait);
        if (ready <= 0)
            continue;
        char buffer[65536];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, got);
            return Pump::output;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        ::close(output_);
        output_ = -1;
    }
}

std::optional<int> BoundedChild::exitStatus() const {
    if (status_ && WIFEXITED(*status_))
        return WEXITSTATUS(*status_);
    return std::nullopt;
}

QString BoundedChild::endStatus() const {
    if (!status_)
        return {};
    if (WIFEXITED(*status_))
        return QStringLiteral("exit status %1").arg(WEXITSTATUS(*status_));
    if (WIFSIGNALED(*status_))
        return QStringLiteral("signal %1").arg(WTERMSIG(*status_));
    return QStringLiteral("status %1").arg(*status_);
}

} // namespace morvanex::platform
