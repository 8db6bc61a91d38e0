#pragma once

#include "base/Config.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <chrono>

namespace morvanex::test {

struct RunResult {
    // The exit status; 0 also for a run whose leak checker crashed as it exited (see
    // ExitCheck.h): its own status is lost, and the run counts.
    int exitCode = -1;
    bool crashed = false;
    bool leakCheckMissing = false; // the leak checker crashed at exit and checked nothing
    QByteArray standardOutput;
    QByteArray standardError;
};

// The result of a finished run of the binary, judged as every run is (ExitCheck.h).
RunResult finishedRun(QProcess& process);

// The environment an agent application gives its servers: HOME, PATH, USER, no display and
// no XDG variables. HOME is the test's scratch home.
QProcessEnvironment bareEnvironment();

// Settings under which a run reaches nothing beyond this machine on its own account: the ping
// goes to 127.0.0.1 and no module needs the weather service. The defaults otherwise.
Config localConfig();

// Stores `config` as the settings the binary reads in the bare environment's home, written the
// way the application writes them.
void storeSettings(const Config& config);

// The settings file the binary reads and writes in the bare environment's home (an INI file).
QString storedSettingsFile();

// The bare environment whose home holds local settings (localConfig(), unless the test stored
// settings of its own first).
QProcessEnvironment localEnvironment();

// Whether the binary runs in a network namespace of its own, holding only a loopback interface
// that is down: then nothing it sends (the public address, the weather, a ping) can leave this
// machine. Where the machine allows no such namespace the binary runs directly, and a note says
// so once.
bool networkIsolated();

// `command` (program first) wrapped so that it runs isolated as above, children included.
QStringList isolatedCommand(const QStringList& command);

// The command line that runs the built morvanex binary with `arguments`, isolated as above.
QStringList morvanexCommand(const QStringList& arguments);

// Runs the built morvanex binary with the arguments, writes `input` to its standard input
// and closes it, and waits for it to end (`patience` at most, then kills it); in
// `workingDirectory` when given.
RunResult runMorvanex(const QStringList& arguments, const QProcessEnvironment& environment,
                      const QByteArray& input = {}, const QString& workingDirectory = {},
                      std::chrono::milliseconds patience = std::chrono::milliseconds(60000));

} // namespace morvanex::test
