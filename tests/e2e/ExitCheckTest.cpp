#include "e2e/ExitCheck.h"

#include <gtest/gtest.h>
#include <optional>

using namespace morvanex::test;

namespace {

// What a sanitizer build prints when the leak checker's tracer crashes at exit.
const QByteArray tracerCrash =
    "Tracer caught signal 11: addr=0x7f2c1a3fd000 pc=0x55d5 sp=0x7f2c19dfcd10\n"
    "==48211==LeakSanitizer has encountered a fatal error.\n"
    "==48211==HINT: For debugging, try setting environment variable "
    "LSAN_OPTIONS=verbosity=1:log_threads=1\n"
    "==48211==HINT: LeakSanitizer does not work under ptrace (strace, gdb, etc)\n";

const QByteArray leakReport =
    "\n=================================================================\n"
    "==48211==ERROR: LeakSanitizer: detected memory leaks\n\n"
    "Direct leak of 64 byte(s) in 1 object(s) allocated from:\n"
    "    #0 0x7f2c1c8b9 in operator new(unsigned long)\n\n"
    "SUMMARY: AddressSanitizer: 64 byte(s) leaked in 1 allocation(s).\n";

} // namespace

TEST(ExitCheck, OnlyTheLeakCheckersOwnCrashPassesBesideAStatusOtherThanZero) {
    struct Row {
        const char* name;
        std::optional<int> exitCode;
        QByteArray errors;
        ExitJudgement judgement;
    };
    const Row rows[] = {
        {"clean", 0, "", ExitJudgement::clean},
        {"clean with warnings", 0, "qt.qpa.xcb: could not connect to display\n",
         ExitJudgement::clean},
        {"tracer crash", 1, "morvanex: started\n" + tracerCrash, ExitJudgement::leakCheckMissing},
        {"tracer crash and a leak report", 1, leakReport + tracerCrash, ExitJudgement::failed},
        {"leak report", 1, leakReport, ExitJudgement::failed},
        {"tracer crash after an address error", 1,
         "==48211==ERROR: AddressSanitizer: heap-use-after-free on address 0x6020\n" + tracerCrash,
         ExitJudgement::failed},
        {"tracer crash after undefined behaviour", 1,
         "Hub.cpp:12:5: runtime error: signed integer overflow\n" + tracerCrash,
         ExitJudgement::failed},
        {"the tracer's signal alone", 1, "Tracer caught signal 11: addr=0x0\n",
         ExitJudgement::failed},
        {"the fatal error alone", 1, "==1==LeakSanitizer has encountered a fatal error.\n",
         ExitJudgement::failed},
        {"tracer crash text with another status", 2, tracerCrash, ExitJudgement::failed},
        {"failure of our own", 1, "could not open the history\n", ExitJudgement::failed},
        {"killed by a signal", std::nullopt, tracerCrash, ExitJudgement::failed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(judgeExit(row.exitCode, row.errors), row.judgement);
        EXPECT_EQ(bool(exitedCleanly(row.exitCode, row.errors)),
                  row.judgement != ExitJudgement::failed);
    }
}

TEST(ExitCheck, WaitStatusesAreJudgedByTheirExitStatus) {
    // Wait statuses as waitpid reports them: the exit status in the second byte, a terminating
    // signal in the low bits.
    const int exitedZero = 0;
    const int exitedOne = 1 << 8;
    const int killedBySegv = 11;
    EXPECT_TRUE(waitStatusClean(exitedZero, ""));
    EXPECT_TRUE(waitStatusClean(exitedOne, tracerCrash));
    EXPECT_FALSE(waitStatusClean(exitedOne, leakReport));
    EXPECT_FALSE(waitStatusClean(killedBySegv, tracerCrash));
    EXPECT_FALSE(waitStatusClean(std::nullopt, ""));
}
