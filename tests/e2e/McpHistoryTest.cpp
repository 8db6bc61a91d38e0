#include "e2e/RunBinary.h"
#include "history/HistoryStore.h"
#include "support/TestEnv.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <chrono>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

// Where the tray application keeps its history for the bare environment's HOME.
QString historyFile() {
    return scratchDir() + QStringLiteral("/home/.local/share/Morvanex/history.sqlite");
}

// Writes one cpu_user sample per 10 seconds, values 0, 1, 2, ..., the last one 10 seconds
// before now (whole tens of seconds, so each falls in a bucket of its own). Returns the time of
// the first sample.
qint64 writeHistory(int count) {
    const qint64 now = QDateTime::currentSecsSinceEpoch() / 10 * 10;
    HistoryStore::Options options;
    options.flushInterval = std::chrono::hours(1);
    auto store = HistoryStore::open(historyFile(), false, options);
    EXPECT_TRUE(store);
    const qint64 first = now - 10 * count;
    for (int i = 0; i < count; ++i) {
        store->record({{HistoryMetric::cpuUser, double(i)}},
                      QDateTime::fromSecsSinceEpoch(first + 10 * i, Qt::UTC));
    }
    store->flush();
    return first;
}

// The local time text the server writes in India's time zone.
QString indiaTime(qint64 seconds) {
    const QDateTime local =
        QDateTime::fromSecsSinceEpoch(seconds, QTimeZone(QByteArrayLiteral("Asia/Kolkata")));
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) + QStringLiteral("+05:30");
}

// One get_history call per argument object; the answers (or error texts) in order.
std::vector<QJsonObject> historyAnswers(const std::vector<const char*>& arguments) {
    QByteArray input;
    int id = 1;
    for (const char* argument : arguments) {
        input += R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id++) +
                 R"(,"method":"tools/call","params":{"name":"get_history","arguments":)" +
                 argument + "}}\n";
    }
    QProcessEnvironment environment = localEnvironment();
    environment.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Kolkata"));
    const RunResult run = runMorvanex({QStringLiteral("--mcp")}, environment, input);
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    std::vector<QJsonObject> answers;
    for (const QByteArray& line : run.standardOutput.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject result =
            QJsonDocument::fromJson(line).object().value("result").toObject();
        const QString text =
            result.value("content").toArray().at(0).toObject().value("text").toString();
        answers.push_back(result.value("isError").toBool()
                              ? QJsonObject{{"error", text}}
                              : QJsonDocument::fromJson(text.toUtf8()).object());
    }
    EXPECT_EQ(answers.size(), arguments.size());
    answers.resize(arguments.size());
    return answers;
}

TEST(McpHistory, AnswersFromTheDatabaseTheTrayApplicationWrote) {
    const qint64 first = writeHistory(60);
    const std::vector<QJsonObject> answers = historyAnswers({
        R"({"metric":"cpu_user","range":"1h","points":10})",
        R"({"metric":"cpu_user","range":"1h"})",
        R"({"metric":"cpu_user","range":"1h","points":0})",
        R"({"metric":"cpu_user","range":"1h","points":500})",
        R"({"metric":"gpu","range":"1h"})",
        R"({"metric":"cpu_user","range":"30d","points":1e300})",
    });

    const QJsonObject tenPoints = answers[0];
    EXPECT_EQ(tenPoints.value("metric"), "cpu_user");
    EXPECT_EQ(tenPoints.value("unit"), "%");
    EXPECT_EQ(tenPoints.value("range"), "1h");
    const QJsonObject summary = tenPoints.value("summary").toObject();
    EXPECT_EQ(summary.value("average"), 29.5);
    EXPECT_EQ(summary.value("max"), 59);
    EXPECT_EQ(summary.value("min"), 0);
    EXPECT_EQ(summary.value("latest"), 59);
    EXPECT_EQ(summary.value("from"), indiaTime(first));
    EXPECT_EQ(summary.value("min_at"), indiaTime(first));
    EXPECT_EQ(summary.value("to"), indiaTime(first + 590));
    EXPECT_EQ(summary.value("max_at"), indiaTime(first + 590));
    EXPECT_EQ(summary.value("point_seconds"), 60); // groups of six 10-second buckets
    const QJsonArray points = tenPoints.value("points").toArray();
    ASSERT_EQ(points.size(), 10);
    EXPECT_EQ(points.at(0).toObject(), QJsonObject({{"time", indiaTime(first)}, {"value", 2.5}}));
    EXPECT_EQ(points.at(9).toObject(),
              QJsonObject({{"time", indiaTime(first + 540)}, {"value", 56.5}}));

    // The default 48 points: groups of two.
    EXPECT_EQ(answers[1].value("points").toArray().size(), 30);
    EXPECT_EQ(answers[1].value("summary").toObject().value("point_seconds"), 20);
    // No points asked: the summary alone.
    EXPECT_FALSE(answers[2].contains("points"));
    EXPECT_EQ(answers[2].value("summary").toObject().value("point_seconds"), 10);
    // More points asked than samples: one point per sample.
    EXPECT_EQ(answers[3].value("points").toArray().size(), 60);
    // A metric the tray application never had a source for.
    EXPECT_EQ(answers[4], QJsonObject({{"metric", "gpu"},
                                       {"unit", "%"},
                                       {"range", "1h"},
                                       {"note", "No samples in this range."}}));
    // The month reads hour-long buckets of the rolled-up tier (one or two, as the ten minutes
    // fall); their means average to the summary.
    const QJsonObject month = answers[5].value("summary").toObject();
    EXPECT_EQ(month.value("point_seconds"), 3600);
    EXPECT_EQ(month.value("from").toString().right(6), "+05:30");
    EXPECT_GE(answers[5].value("points").toArray().size(), 1);
    EXPECT_LE(answers[5].value("points").toArray().size(), 2);
}

} // namespace
