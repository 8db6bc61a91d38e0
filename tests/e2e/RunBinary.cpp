#include "e2e/RunBinary.h"

#include "support/TestEnv.h"

#include <QProcess>

namespace morvanex::test {

QProcessEnvironment bareEnvironment() {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), scratchDir() + QStringLiteral("/home"));
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment.insert(QStringLiteral("USER"), qEnvironmentVariable("USER", "tester"));
    // Sanitizer settings of the test build must reach the child too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (qEnvironmentVariableIsSet(name))
            environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    }
    return environment;
}

RunResult runMorvanex(const QStringList& arguments, const QProcessEnvironment& environment,
                      const QByteArray& input) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MORVANEX_BINARY), arguments);
    RunResult result;
    if (!process.waitForStarted(10000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = result.crashed ? -1 : process.exitCode();
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

} // namespace morvanex::test
