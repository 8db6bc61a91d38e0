#include "e2e/ExitCheck.h"

#include "e2e/ChildProcess.h"

#include <iostream>
#include <sys/wait.h>

namespace morvanex::test {
namespace {

// A sanitizer's report of a fault in the program itself. Any of them fails the run, even beside
// a crash of the leak checker.
constexpr QByteArrayView faultReports[] = {
    "ERROR: LeakSanitizer: detected memory leaks",
    "ERROR: AddressSanitizer",
    "ERROR: UndefinedBehaviorSanitizer",
    "runtime error:",
};

bool leakCheckerCrashed(QByteArrayView errors) {
    if (!errors.contains(QByteArrayView("Tracer caught signal")) ||
        !errors.contains(QByteArrayView("LeakSanitizer has encountered a fatal error")))
        return false;
    for (const QByteArrayView report : faultReports) {
        if (errors.contains(report))
            return false;
    }
    return true;
}

} // namespace

ExitJudgement judgeExit(const std::optional<int>& exitCode, QByteArrayView standardError) {
    if (exitCode == 0)
        return ExitJudgement::clean;
    // The sanitizer ends the process with its exit code, 1, after the fatal error.
    if (exitCode == 1 && leakCheckerCrashed(standardError))
        return ExitJudgement::leakCheckMissing;
    return ExitJudgement::failed;
}

void noteMissingLeakCheck() {
    std::cerr << "note: the leak checker crashed as morvanex exited, so this run had no leak "
                 "check; the run counts\n";
}

testing::AssertionResult exitedCleanly(const std::optional<int>& exitCode,
                                       QByteArrayView standardError) {
    switch (judgeExit(exitCode, standardError)) {
    case ExitJudgement::clean:
        return testing::AssertionSuccess();
    case ExitJudgement::leakCheckMissing:
        noteMissingLeakCheck();
        return testing::AssertionSuccess();
    case ExitJudgement::failed:
        break;
    }
    return testing::AssertionFailure()
           << (exitCode ? "exit " + std::to_string(*exitCode) : std::string("no normal exit"))
           << "\n"
           << standardError.toByteArray().toStdString();
}

testing::AssertionResult waitStatusClean(const std::optional<int>& waitStatus,
                                         QByteArrayView standardError) {
    if (!waitStatus || !WIFEXITED(*waitStatus))
        return testing::AssertionFailure() << describeStatus(waitStatus) << "\n"
                                           << standardError.toByteArray().toStdString();
    return exitedCleanly(WEXITSTATUS(*waitStatus), standardError);
}

} // namespace morvanex::test
