#include "support/TestEnv.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

namespace morvanex::test {
namespace {

std::unique_ptr<QTemporaryDir>& currentDir() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

void setEnv(const char* name, const QString& value) {
    ::setenv(name, value.toLocal8Bit().constData(), 1);
}

class IsolationListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        auto& dir = currentDir();
        dir = std::make_unique<QTemporaryDir>();
        const QString root = dir->path();
        for (const char* sub : {"home", "config", "data", "runtime"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        setEnv("HOME", root + "/home");
        setEnv("XDG_CONFIG_HOME", root + "/config");
        setEnv("XDG_DATA_HOME", root + "/data");
        setEnv("XDG_RUNTIME_DIR", root + "/runtime");
        // The machine's own buses are out of reach: a test that wants a bus starts a private
        // one, so the desktop running the tests (its notification daemon, login manager,
        // file manager) never answers in a test.
        setEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-session-bus");
        setEnv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + root + "/no-system-bus");
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void OnTestEnd(const testing::TestInfo&) override { currentDir().reset(); }
};

} // namespace

QString scratchDir() {
    const auto& dir = currentDir();
    return dir ? dir->path() : QString();
}

void installIsolation() {
    testing::UnitTest::GetInstance()->listeners().Append(new IsolationListener);
}

} // namespace morvanex::test
