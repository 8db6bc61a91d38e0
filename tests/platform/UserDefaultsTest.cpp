#include "platform/UserDefaults.h"

#include "platform/FileKind.h"
#include "support/EndsInChild.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace morvanex;
using platform::UserDefaults;

namespace {

const QString key = QStringLiteral("MorvanexConfig.v1");

// A settings file holding `value` under the key, written at `path`.
void writeSettings(const QString& path, const QByteArray& value) {
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
}

void makeFifo(const QString& path) {
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

TEST(UserDefaults, StoresValuesInTheSettingsFile) {
    UserDefaults defaults = UserDefaults::standard();
    EXPECT_FALSE(defaults.value(key).isValid());
    defaults.setValue(key, QByteArray("{}"));
    EXPECT_EQ(defaults.data(key), QByteArray("{}"));
    EXPECT_TRUE(QFileInfo(UserDefaults::standardFilePath()).isFile());
    defaults.remove(key);
    EXPECT_FALSE(defaults.value(key).isValid());
}

// Only a regular file (or a link to one) is read or written. Anything else at the settings path
// counts as no stored settings and is left as it is, without waiting: opening a FIFO to read it
// would wait for a writer for good.
TEST(UserDefaults, ASettingsPathThatIsNotARegularFileReadsAsNothingStored) {
    struct Row {
        const char* name;
        std::function<void(const QString& path)> make;
        std::optional<QByteArray> readBack;  // what the key reads before a change
        std::optional<QByteArray> afterSave; // what it reads after one
    };
    const Row rows[] = {
        {"FIFO", makeFifo, std::nullopt, std::nullopt},
        {"link to a FIFO",
         [](const QString& path) {
             makeFifo(path + ".target");
             QFile::link(path + ".target", path);
         },
         std::nullopt, std::nullopt},
        {"folder", [](const QString& path) { QDir().mkpath(path); }, std::nullopt, std::nullopt},
        {"FIFO as the lock file of a regular file",
         [](const QString& path) {
             writeSettings(path, "old");
             makeFifo(path + ".lock");
         },
         QByteArray("old"), QByteArray("old")},
        {"link to a regular file",
         [](const QString& path) {
             writeSettings(path + ".target", "old");
             QFile::link(path + ".target", path);
         },
         QByteArray("old"), QByteArray("new")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString folder = test::scratchDir() + "/config/" + row.name;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
        const QString path = UserDefaults::standardFilePath();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        row.make(path);
        const platform::FileKind kind = platform::fileKind(path);

        UserDefaults defaults = UserDefaults::standard();
        // The child's writes reach the same files: it changes only a key of its own.
        ASSERT_TRUE(test::endsInChild([&] {
            defaults.data(key);
            defaults.setValue(QStringLiteral("probe"), 1);
            defaults.remove(QStringLiteral("probe"));
        }));
        EXPECT_EQ(defaults.data(key), row.readBack);
        defaults.setValue(key, QByteArray("new"));
        EXPECT_EQ(defaults.data(key), row.afterSave);
        EXPECT_EQ(platform::fileKind(path), kind); // left as it was found
    }
}

} // namespace
