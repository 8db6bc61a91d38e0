#include "platform/linux/ProcFiles.h"

#include "support/FixtureTree.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <QFile>
#include <array>
#include <gtest/gtest.h>
#include <vector>

using namespace morvanex::platform;

namespace {

TEST(ProcFiles, CpuLists) {
    struct Row {
        const char* text;
        std::optional<std::set<int>> cpus;
    };
    const Row rows[] = {
        {"0-3", std::set<int>{0, 1, 2, 3}},
        {"0-1,4,6-7\n", std::set<int>{0, 1, 4, 6, 7}},
        {"5", std::set<int>{5}},
        {"", std::set<int>{}},
        {"3-1", std::nullopt},
        {"a-b", std::nullopt},
        {"0-", std::nullopt},
        {"-1", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(procfiles::cpuList(row.text), row.cpus);
    }
}

TEST(ProcFiles, KeyValuesTakeTheFirstNumberAndSkipJunk) {
    const auto values =
        procfiles::keyValues("MemTotal:   16 kB\nbroken\nnr_free 7\nHugePages_Total:  x\n");
    EXPECT_EQ(values.value("MemTotal"), 16u);
    EXPECT_EQ(values.value("nr_free"), 7u);
    EXPECT_FALSE(values.contains("HugePages_Total"));
    EXPECT_FALSE(values.contains("broken"));
}

TEST(ProcFiles, FieldsAndLinesAreViewsOfTheText) {
    struct Row {
        const char* line;
        qsizetype count;
        std::vector<QByteArray> stored; // the first three
    };
    const Row rows[] = {
        {"", 0, {}},
        {"   \t ", 0, {}},
        {"cpu0 1 2", 3, {"cpu0", "1", "2"}},
        {"  8   0 sda\t12  ", 4, {"8", "0", "sda"}},
        {"MemTotal:\t16 kB\r", 3, {"MemTotal:", "16", "kB"}},
        {"a b c d e f", 6, {"a", "b", "c"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        std::array<QByteArrayView, 3> fields;
        EXPECT_EQ(procfiles::splitFields(row.line, fields), row.count);
        for (std::size_t i = 0; i < row.stored.size(); ++i)
            EXPECT_EQ(fields[i].toByteArray(), row.stored[i]);
    }

    std::vector<QByteArray> lines;
    procfiles::forEachLine("one\n\nthree\nfour", [&](QByteArrayView line) {
        lines.push_back(line.toByteArray());
        return line != "three";
    });
    EXPECT_EQ(lines, (std::vector<QByteArray>{"one", "", "three"}));
}

TEST(ProcFiles, UnreadableFilesAreAbsent) {
    EXPECT_EQ(procfiles::read("/nonexistent/file"), std::nullopt);
    EXPECT_EQ(procfiles::readInteger("/nonexistent/file"), std::nullopt);
    EXPECT_TRUE(procfiles::read("/proc/self/stat").has_value()); // size-0 pseudo file
}

TEST(ProcFiles, AFileReadEveryTickLogsItsFailureOncePerSpell) {
    const morvanex::test::LogCapture logged;
    const QString root = morvanex::test::scratchDir();
    const QString path = root + "/stat";
    const std::string failure = "morvanex.platform: " + path.toStdString() +
                                " cannot be read: no processor use until it can";
    procfiles::LoggedRead file("processor use");
    for (int tick = 0; tick < 3; ++tick)
        EXPECT_EQ(file.read(path), std::nullopt);
    EXPECT_EQ(logged.count(failure), 1) << logged.all();

    morvanex::test::writeFile(root, "stat", "cpu 1 2 3 4\n");
    EXPECT_EQ(file.read(path), QByteArray("cpu 1 2 3 4\n"));
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(file.read(path), std::nullopt);
    EXPECT_EQ(file.read(path), std::nullopt);
    EXPECT_EQ(logged.count(failure), 2) << logged.all();
}

} // namespace
