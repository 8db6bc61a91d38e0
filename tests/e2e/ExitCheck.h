#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <gtest/gtest.h>
#include <optional>

namespace morvanex::test {

// How a run of the binary ended, judged alike for every end-to-end run.
//
// A sanitizer build checks for leaks when the process exits: a tracer thread stops every other
// thread and reads their stacks. On a loaded machine that tracer now and then crashes itself
// ("Tracer caught signal 11", then "LeakSanitizer has encountered a fatal error"), and the
// process ends with status 1 though no check of ours failed: no leak check ran at all, and the
// run's own status is lost. Such a run counts, with a note that it had no leak check; a leak
// report, or any other sanitizer's report, still fails it.
enum class ExitJudgement {
    clean,            // exit status 0
    leakCheckMissing, // the leak checker crashed at exit and checked nothing
    failed,           // any other status, a signal, or no end at all
};

// `exitCode` is the exit status of a process that exited, nothing for one that was killed by a
// signal or has not ended.
ExitJudgement judgeExit(const std::optional<int>& exitCode, QByteArrayView standardError);

// Success for a clean run and for one whose leak checker crashed (printing a note that the leak
// check is missing); otherwise failure naming the status, with standard error.
testing::AssertionResult exitedCleanly(const std::optional<int>& exitCode,
                                       QByteArrayView standardError);

// The same for a wait status as waitpid gives it (nothing while the process runs).
testing::AssertionResult waitStatusClean(const std::optional<int>& waitStatus,
                                         QByteArrayView standardError);

// Prints, once per run, that a run of the binary had no leak check.
void noteMissingLeakCheck();

} // namespace morvanex::test
