#include "e2e/ChildProcess.h"

#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace morvanex::test {

namespace {

// Owned copies of the texts and the null-terminated pointer array exec wants.
class CStrings {
public:
    explicit CStrings(const QStringList& texts) {
        for (const QString& text : texts)
            storage_.push_back(text.toLocal8Bit().toStdString());
        for (std::string& text : storage_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
    }
    char* const* get() { return pointers_.data(); }

private:
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};

} // namespace

ChildProcess::ChildProcess(const QStringList& command, const QProcessEnvironment& environment,
                           std::array<int, 3> descriptors) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) {
        const int source = descriptors[std::size_t(fd)];
        if (source < 0)
            posix_spawn_file_actions_addclose(&actions, fd);
        else
            posix_spawn_file_actions_adddup2(&actions, source, fd);
    }
    // The child starts with the default dispositions and no blocked signals, whatever the test
    // process has set up.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    CStrings arguments(command);
    CStrings variables(environment.toStringList());
    pid_t pid = -1;
    if (::posix_spawn(&pid, arguments.get()[0], &actions, &attributes, arguments.get(),
                      variables.get()) == 0)
        pid_ = pid;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    if (pid_ <= 0 || status_)
        return status_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
        if (ended == pid_) {
            status_ = status;
            return status_;
        }
        if (ended < 0 || std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string describeStatus(const std::optional<int>& status) {
    if (!status)
        return "still running";
    if (WIFEXITED(*status))
        return "exit " + std::to_string(WEXITSTATUS(*status));
    if (WIFSIGNALED(*status))
        return "signal " + std::to_string(WTERMSIG(*status));
    return "status " + std::to_string(*status);
}

} // namespace morvanex::test
