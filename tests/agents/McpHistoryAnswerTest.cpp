#include "McpTestServer.h"

#include <QFile>
#include <QJsonArray>
#include <chrono>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::canonical;
using morvanex::test::McpTestServer;

namespace {

const QString noHistory =
    QStringLiteral("No history yet. Morvanex records history while the menu bar app is running.");

// The server over a history database the test writes through the store, as the tray
// application would, opened read-only as the agent server opens it.
struct HistoryServer : McpTestServer {
    double now() const { return double(hubFixture.now.toSecsSinceEpoch()); }

    HistoryStore::Options options() const {
        HistoryStore::Options options;
        options.clock.now = [t = hubFixture.now] { return t; };
        options.flushInterval = std::chrono::hours(1);
        return options;
    }

    // One sample every `spacing` seconds, the last `spacing` seconds before now.
    void record(const std::vector<HistoryStore::Values>& samples, double spacing = 10) {
        auto store = HistoryStore::open(hub.sources.historyURL, false, options());
        ASSERT_TRUE(store);
        double time = now() - spacing * double(samples.size());
        for (const HistoryStore::Values& values : samples) {
            store->record(values, QDateTime::fromSecsSinceEpoch(qint64(time), Qt::UTC));
            time += spacing;
        }
        store->flush();
    }

    void openReadOnly() {
        hub.history = HistoryStore::open(hub.sources.historyURL, true, options());
        ASSERT_TRUE(hub.history);
    }

    void recordCpu(int count) {
        std::vector<HistoryStore::Values> samples;
        for (int i = 0; i < count; ++i)
            samples.push_back({{HistoryMetric::cpuUser, double(i)}});
        record(samples);
        openReadOnly();
    }
};

std::size_t pointCount(const QJsonObject& answer) {
    return std::size_t(answer.value("points").toArray().size());
}

TEST(McpHistoryAnswer, SummaryAndPointsOfAnHour) {
    HistoryServer f;
    f.recordCpu(100); // one sample per 10-second bucket, values 0 to 99
    const QJsonObject answer =
        f.answer("get_history", QJsonObject{{"metric", "cpu_user"}, {"range", "1h"}});
    EXPECT_EQ(answer.value("metric"), "cpu_user");
    EXPECT_EQ(answer.value("unit"), "%");
    EXPECT_EQ(answer.value("range"), "1h");
    EXPECT_FALSE(answer.contains("note"));
    // 2027-01-15T08:00:00Z is now; the first sample is 1000 s before.
    EXPECT_EQ(canonical(answer.value("summary").toObject()), canonical(R"({
        "average": 49.5, "max": 99, "max_at": "2027-01-15T07:59:50Z",
        "min": 0, "min_at": "2027-01-15T07:43:20Z", "latest": 99,
        "from": "2027-01-15T07:43:20Z", "to": "2027-01-15T07:59:50Z",
        "point_seconds": 30})"));
    // 48 points asked: groups of three samples, 34 points, the last holding one sample.
    const QJsonArray points = answer.value("points").toArray();
    ASSERT_EQ(points.size(), 34);
    EXPECT_EQ(canonical(points.first().toObject()),
              canonical(R"({"time": "2027-01-15T07:43:20Z", "value": 1})"));
    EXPECT_EQ(canonical(points.at(1).toObject()),
              canonical(R"({"time": "2027-01-15T07:43:50Z", "value": 4})"));
    EXPECT_EQ(canonical(points.last().toObject()),
              canonical(R"({"time": "2027-01-15T07:59:50Z", "value": 99})"));
}

TEST(McpHistoryAnswer, PointCounts) {
    struct Row {
        const char* points; // the argument as JSON, or none
        int samples;
        std::optional<std::size_t> count; // none: no "points" key
        qint64 spacing;                   // point_seconds
    };
    const Row rows[] = {
        {nullptr, 10, 10, 10},        // fewer samples than points: one point each
        {nullptr, 100, 34, 30},       // the default of 48
        {"0", 100, std::nullopt, 10}, // summary only
        {"-1e300", 100, std::nullopt, 10},
        {"1", 100, 1, 1000},
        {"48.0", 100, 34, 30},
        {"48.5", 100, 34, 30},  // not whole: the default
        {"\"5\"", 100, 34, 30}, // not a number: the default
        {"200", 250, 125, 20},
        {"500", 250, 125, 20}, // at most 200 points
        {"1e300", 250, 125, 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.points ? row.points : "absent");
        HistoryServer f;
        f.recordCpu(row.samples);
        QJsonObject arguments{{"metric", "cpu_user"}, {"range", "1h"}};
        if (row.points) {
            arguments.insert(
                "points",
                QJsonDocument::fromJson(QByteArray("[") + row.points + "]").array().at(0));
        }
        const QJsonObject answer = f.answer("get_history", arguments);
        EXPECT_EQ(answer.contains("points"), row.count.has_value());
        if (row.count) {
            EXPECT_EQ(pointCount(answer), *row.count);
        }
        EXPECT_EQ(answer.value("summary").toObject().value("point_seconds"), row.spacing);
    }
}

TEST(McpHistoryAnswer, TheFirstOfEqualExtremesWins) {
    HistoryServer f;
    f.record({{{HistoryMetric::temperature, 50}},
              {{HistoryMetric::temperature, 80.04}},
              {{HistoryMetric::temperature, 20}},
              {{HistoryMetric::temperature, 80.04}},
              {{HistoryMetric::temperature, 20}}});
    f.openReadOnly();
    const QJsonObject summary =
        f.answer("get_history", QJsonObject{{"metric", "temperature"}, {"range", "1h"}})
            .value("summary")
            .toObject();
    EXPECT_EQ(summary.value("max"), 80);
    EXPECT_EQ(summary.value("max_at"), "2027-01-15T07:59:20Z");
    EXPECT_EQ(summary.value("min_at"), "2027-01-15T07:59:30Z");
    EXPECT_EQ(summary.value("latest"), 20);
    EXPECT_EQ(summary.value("average"), 50); // 250.08 / 5 = 50.016
}

TEST(McpHistoryAnswer, ARangeWithoutValuesIsANoteNotAnError) {
    HistoryServer f;
    f.recordCpu(10); // nothing of the GPU, and nothing older than 100 s
    struct Row {
        const char* metric;
        const char* range;
        const char* unit;
    };
    const Row rows[] = {
        {"gpu", "1h", "%"},
        {"mem_used", "24h", "%"},
        {"net_up", "7d", "bytes/s"},
        {"disk_read", "30d", "bytes/s"},
        {"temperature", "1h", "\u00b0C"},
        {"fan", "1h", "rpm"},
        {"power", "1h", "W"},
        {"battery", "1h", "%"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.metric);
        const QJsonObject answer =
            f.answer("get_history", QJsonObject{{"metric", row.metric}, {"range", row.range}});
        EXPECT_EQ(canonical(answer), canonical(QJsonObject{{"metric", row.metric},
                                                           {"unit", QString::fromUtf8(row.unit)},
                                                           {"range", row.range},
                                                           {"note", "No samples in this range."}}));
    }
}

TEST(McpHistoryAnswer, LongerRangesReadTheRolledUpTiers) {
    HistoryServer f;
    std::vector<HistoryStore::Values> samples;
    for (int i = 0; i < 720; ++i) // two hours at one sample per 10 s
        samples.push_back({{HistoryMetric::power, 10.0 + (i / 360) * 10}});
    f.record(samples);
    f.openReadOnly();
    const QJsonObject day =
        f.answer("get_history", QJsonObject{{"metric", "power"}, {"points", 200}});
    EXPECT_EQ(day.value("range"), "24h"); // the default range
    EXPECT_EQ(day.value("unit"), "W");
    EXPECT_EQ(day.value("summary").toObject().value("min"), 10);
    EXPECT_EQ(day.value("summary").toObject().value("max"), 20);
    EXPECT_EQ(day.value("summary").toObject().value("point_seconds"), 300);
    EXPECT_EQ(pointCount(day), 24u); // five-minute buckets over two hours
    const QJsonObject month =
        f.answer("get_history", QJsonObject{{"metric", "power"}, {"range", "30d"}});
    EXPECT_EQ(month.value("summary").toObject().value("point_seconds"), 3600);
    EXPECT_EQ(pointCount(month), 2u);
}

TEST(McpHistoryAnswer, ArgumentErrors) {
    const QString metricError = QStringLiteral(
        "metric must be one of: cpu_user, cpu_system, gpu, mem_pressure, mem_used, disk_read, "
        "disk_write, net_down, net_up, temperature, fan, battery, power.");
    struct Row {
        const char* arguments;
        QString error;
    };
    const Row rows[] = {
        {R"({})", metricError},
        {R"({"metric": 3})", metricError},
        {R"({"metric": "cpu"})", metricError},
        {R"({"metric": "CPU_USER"})", metricError},
        {R"({"metric": "cpuUser"})", metricError}, // the database's case name is not a metric name
        {R"({"metric": "cpu_user", "range": "2h"})", "range must be 1h, 24h, 7d or 30d."},
        {R"({"metric": "cpu_user", "range": ""})", "range must be 1h, 24h, 7d or 30d."},
        {R"({"metric": "nope", "range": "2h"})", metricError}, // the metric is checked first
    };
    HistoryServer f;
    f.recordCpu(3);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        EXPECT_EQ(f.failure("get_history", QJsonDocument::fromJson(row.arguments).object()),
                  row.error);
    }
    // A range that is not text is the default.
    EXPECT_EQ(
        f.answer("get_history", QJsonObject{{"metric", "cpu_user"}, {"range", 7}}).value("range"),
        "24h");
}

TEST(McpHistoryAnswer, NoHistoryWithoutAStoreOrItsFile) {
    HistoryServer f;
    // The store could not be opened.
    EXPECT_EQ(f.failure("get_history", QJsonObject{{"metric", "cpu_user"}}), noHistory);
    // Opened read-only before the tray application ever created the file.
    f.hub.history = HistoryStore::open(f.hub.sources.historyURL, true, f.options());
    ASSERT_TRUE(f.hub.history);
    EXPECT_EQ(f.failure("get_history", QJsonObject{{"metric", "cpu_user"}}), noHistory);
    // The argument checks come first.
    EXPECT_EQ(f.failure("get_history", QJsonObject{{"metric", "cpu_user"}, {"range", "1y"}}),
              "range must be 1h, 24h, 7d or 30d.");
    // Once the file exists the same store reads it.
    f.record({{{HistoryMetric::cpuUser, 5}}});
    EXPECT_EQ(f.answer("get_history", QJsonObject{{"metric", "cpu_user"}, {"range", "1h"}})
                  .value("summary")
                  .toObject()
                  .value("latest"),
              5);
}

} // namespace
