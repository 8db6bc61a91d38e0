#include "platform/ProgramFolder.h"

#include "support/TestEnv.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace morvanex::platform;

namespace {

// Makes `path` and the folders above it below `root`, each as bytes.
void make(const QByteArray& root, const QByteArray& relative, bool file) {
    QByteArray path = root;
    const QList<QByteArray> parts = relative.split('/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path += '/' + parts[i];
        if (i + 1 < parts.size() || !file)
            ::mkdir(path.constData(), 0700);
        else
            ::close(::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    }
}

} // namespace

TEST(ProgramFolder, APartIsBesideTheExecutableElseInTheInstallsFolder) {
    // A prefix as an install lays it out, in a folder whose name is not UTF-8.
    const QByteArray prefix = QFile::encodeName(morvanex::test::scratchDir()) + "/pre\xff"
                                                                                "fix";
    const QByteArray bin = prefix + '/' + MORVANEX_TEST_BIN_DIR;
    const QByteArray installed = prefix + '/' + MORVANEX_TEST_PRIVATE_DIR;
    make(QFile::encodeName(morvanex::test::scratchDir()),
         "pre\xff"
         "fix",
         false);
    make(prefix, MORVANEX_TEST_BIN_DIR, false);
    make(prefix, MORVANEX_TEST_PRIVATE_DIR "/helper", true);
    make(prefix, MORVANEX_TEST_BIN_DIR "/beside", true);
    make(prefix, MORVANEX_TEST_PRIVATE_DIR "/beside", true);

    struct Case {
        const char* what;
        QByteArray folder;
        const char* name;
        QByteArray expected;
    };
    const Case cases[] = {
        {"installed", bin, "helper", installed + "/helper"},
        {"beside wins, as in the build tree", bin, "beside", bin + "/beside"},
        {"nowhere: where an install would put it", bin, "missing", installed + "/missing"},
        {"no executable folder", {}, "helper", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ProgramFolder::part(c.folder, c.name), c.expected);
    }
}
