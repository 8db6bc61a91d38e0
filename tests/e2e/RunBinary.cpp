#include "e2e/RunBinary.h"

#include "base/AppSettings.h"
#include "e2e/ExitCheck.h"
#include "platform/UserDefaults.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <optional>

namespace morvanex::test {

namespace {

QString scratchHome() {
    return scratchDir() + QStringLiteral("/home");
}

// The folder the binary, without XDG variables, keeps its settings in.
QString scratchConfigHome() {
    return scratchHome() + QStringLiteral("/.config");
}

// The unshare options that make a network namespace here, or nothing. Root needs none but the
// namespace; another user also needs a user namespace of its own, mapped to itself.
std::optional<QStringList> namespacePrefix() {
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty())
        return std::nullopt;
    for (const QStringList& options :
         {QStringList{QStringLiteral("--net")},
          QStringList{QStringLiteral("--net"), QStringLiteral("--map-current-user")},
          QStringList{QStringLiteral("--net"), QStringLiteral("--map-root-user")}}) {
        QProcess probe;
        probe.start(unshare, options + QStringList{QStringLiteral("--"), QStringLiteral("true")});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return QStringList{unshare} + options + QStringList{QStringLiteral("--")};
    }
    return std::nullopt;
}

const std::optional<QStringList>& isolation() {
    static const std::optional<QStringList> prefix = [] {
        std::optional<QStringList> found = namespacePrefix();
        if (!found)
            std::fputs("note: no network namespace can be made here (unshare --net failed), so "
                       "morvanex runs on this machine's network\n",
                       stderr);
        return found;
    }();
    return prefix;
}

} // namespace

QProcessEnvironment bareEnvironment() {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), scratchHome());
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment.insert(QStringLiteral("USER"), qEnvironmentVariable("USER", "tester"));
    // No bus of the machine: a test that wants one gives the binary a private bus.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + scratchDir() +
                           QStringLiteral("/no-session-bus"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + scratchDir() +
                           QStringLiteral("/no-system-bus"));
    // Sanitizer settings of the test build must reach the child too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (qEnvironmentVariableIsSet(name))
            environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    }
    return environment;
}

Config localConfig() {
    Config config;
    config.pingHost = QStringLiteral("127.0.0.1");
    for (ModuleConfig& module : config.modules) {
        if (module.kind == ModuleKind::weather || module.kind == ModuleKind::astronomy ||
            module.kind == ModuleKind::combined)
            module.enabled = false;
    }
    return config;
}

void storeSettings(const Config& config) {
    // The standard store follows XDG_CONFIG_HOME, which the test has pointed elsewhere: for this
    // one write it points where the binary will look.
    const QByteArray testConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratchConfigHome()));
    AppSettings(platform::UserDefaults::standard()).setConfig(config);
    qputenv("XDG_CONFIG_HOME", testConfigHome);
}

QString storedSettingsFile() {
    return scratchConfigHome() + QStringLiteral("/Morvanex/Morvanex.conf");
}

QProcessEnvironment localEnvironment() {
    if (!QFile::exists(scratchConfigHome() + QStringLiteral("/Morvanex/Morvanex.conf")))
        storeSettings(localConfig());
    return bareEnvironment();
}

bool networkIsolated() {
    return isolation().has_value();
}

QStringList isolatedCommand(const QStringList& command) {
    return isolation() ? *isolation() + command : command;
}

QStringList morvanexCommand(const QStringList& arguments) {
    return isolatedCommand(QStringList{QStringLiteral(MORVANEX_BINARY)} + arguments);
}

RunResult runMorvanex(const QStringList& arguments, const QProcessEnvironment& environment,
                      const QByteArray& input, const QString& workingDirectory,
                      std::chrono::milliseconds patience) {
    const QStringList command = morvanexCommand(arguments);
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(command.first(), command.mid(1));
    RunResult result;
    if (!process.waitForStarted(10000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(int(patience.count()))) {
        process.kill();
        process.waitForFinished();
    }
    return finishedRun(process);
}

RunResult finishedRun(QProcess& process) {
    RunResult result;
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = result.crashed ? -1 : process.exitCode();
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    if (!result.crashed &&
        judgeExit(result.exitCode, result.standardError) == ExitJudgement::leakCheckMissing) {
        noteMissingLeakCheck();
        result.leakCheckMissing = true;
        result.exitCode = 0;
    }
    return result;
}

} // namespace morvanex::test
