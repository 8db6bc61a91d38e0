#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace morvanex::test {

// Runs `work` in a forked child and waits for it up to `bound`, a generous "does not hang"
// guard, never a timing check. A child still running then is killed, so work that would wait
// for good fails the test instead of stopping the whole run. Work in the child sees a copy of
// the test's memory: check its results in the test afterwards, once it is known to end.
inline testing::AssertionResult endsInChild(const std::function<void()>& work,
                                            std::chrono::seconds bound = std::chrono::seconds(60)) {
    const pid_t child = fork();
    if (child < 0)
        return testing::AssertionFailure() << "fork failed";
    if (child == 0) {
        work();
        _exit(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + bound;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return testing::AssertionFailure() << "still running after " << bound.count() << " s";
    }
    if (ended < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return testing::AssertionFailure() << "the child failed (status " << status << ")";
    return testing::AssertionSuccess();
}

} // namespace morvanex::test
