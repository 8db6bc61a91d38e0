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
