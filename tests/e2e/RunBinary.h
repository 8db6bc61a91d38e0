#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

namespace morvanex::test {

struct RunResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray standardOutput;
    QByteArray standardError;
};

// The environment an agent application gives its servers: HOME, PATH, USER, no display and
// no XDG variables. HOME is the test's scratch home.
QProcessEnvironment bareEnvironment();

// Runs the built morvanex binary with the arguments, writes `input` to its standard input
// and closes it, and waits for it to end (60 s at most).
RunResult runMorvanex(const QStringList& arguments, const QProcessEnvironment& environment,
                      const QByteArray& input = {});

} // namespace morvanex::test
