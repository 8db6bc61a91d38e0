#include "ui/settings/AgentsPane.h"

#include "PaneTestSupport.h"
#include "support/FixtureTree.h"
#include "support/Wait.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;
using morvanex::test::waitUntil;
using Status = AgentClient::Status;

namespace {

// The agent applications' home in a folder of the test's own.
struct AgentHome {
    QTemporaryDir dir;
    AgentHome() { qputenv("MORVANEX_AGENT_HOME", dir.path().toUtf8()); }
    ~AgentHome() { qunsetenv("MORVANEX_AGENT_HOME"); }
    QString path(const QString& relative) const { return dir.path() + u'/' + relative; }
};

QString noteOf(QWidget* pane, const QString& id) {
    QWidget* row = test::child<QWidget>(pane, QStringLiteral("client-") + id);
    QLabel* note = row ? test::child<QLabel>(row, QStringLiteral("note")) : nullptr;
    return note ? note->text() : QString();
}

QString statusOf(QWidget* pane, const QString& id) {
    QWidget* row = test::child<QWidget>(pane, QStringLiteral("client-") + id);
    return row ? test::child<QLabel>(row, QStringLiteral("status"))->text() : QString();
}

} // namespace

TEST(AgentsPane, StatusTextsDotsAndButtons) {
    using A = AgentsPane::Action;
    struct Row {
        Status status;
        const char* text;
        Tint dot;
        std::vector<AgentsPane::Button> buttons;
    };
    const Row rows[] = {
        {Status::notInstalled(), "Not found on this computer", Tint::secondaryText, {}},
        {Status::notAdded(), "Not connected", Tint::secondaryText, {{"Add", A::add}}},
        {Status::added(), "Connected", Tint::green, {{"Remove", A::remove}}},
        {Status::addedElsewhere("/old/morvanex"),
         "Connected to another copy of Morvanex",
         Tint::orange,
         {{"Update", A::add}, {"Remove", A::remove}}},
        {Status::manual(),
         "Set up with a terminal command",
         Tint::secondaryText,
         {{"Copy Command", A::copyCommand}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(AgentsPane::statusText(row.status), QString::fromUtf8(row.text));
        EXPECT_EQ(AgentsPane::dotTint(row.status), row.dot);
        EXPECT_EQ(AgentsPane::buttons(row.status), row.buttons);
    }
}

TEST(AgentsPane, LocationWarningOnlyInTheBuildTree) {
    const QString build = QStringLiteral("/home/ada/src/morvanex/build");
    struct Row {
        const char* executable;
        QString buildTree;
        bool warns;
    };
    const Row rows[] = {
        {"/home/ada/src/morvanex/build/morvanex", build, true},
        {"/home/ada/src/morvanex/build/sub/morvanex", build, true},
        {"/home/ada/src/morvanex/build/../build/morvanex", build, true},
        {"/home/ada/src/morvanex/build/morvanex", build + QLatin1Char('/'), true},
        // Installed under any prefix.
        {"/usr/bin/morvanex", build, false},
        {"/usr/local/bin/morvanex", build, false},
        {"/opt/morvanex/bin/morvanex", build, false},
        {"/home/ada/.local/bin/morvanex", build, false},
        {"/home/ada/apps/morvanex/bin/morvanex", build, false},
        {"/srv/tools/bin/morvanex", build, false},
        // Beside the build tree, not in it.
        {"/home/ada/src/morvanex/build-release/morvanex", build, false},
        {"/home/ada/src/morvanex/morvanex", build, false},
        // The build tree is gone.
        {"/home/ada/src/morvanex/build/morvanex", QString(), false},
    };
    for (const Row& row : rows) {
        const QString path = QString::fromUtf8(row.executable);
        SCOPED_TRACE(path.toStdString() + " in " + row.buildTree.toStdString());
        const auto warning = AgentsPane::locationWarning(path, row.buildTree);
        EXPECT_EQ(warning.has_value(), row.warns);
        if (warning) {
            EXPECT_EQ(*warning, QStringLiteral("Morvanex is running from ") + path +
                                    QStringLiteral(". These apps remember that location, so "
                                                   "install Morvanex first (cmake --install puts "
                                                   "it at /usr/local/bin/morvanex), or update the "
                                                   "connections here after moving it."));
        }
    }
}

TEST(AgentsPane, RowsAddUpdateRemoveAndCopy) {
    AgentHome home;
    const QString executable = QStringLiteral("/opt/morvanex/bin/morvanex");
    // Cursor installed and pointing at another copy; LM Studio installed with a file that has
    // comments; Claude Code installed (set up by command); the rest missing.
    test::writeFile(
        home.dir.path(), QStringLiteral(".cursor/mcp.json"),
        R"({"mcpServers": {"morvanex": {"command": "/old/morvanex", "args": ["--mcp"]}}})");
    test::writeFile(home.dir.path(), QStringLiteral(".lmstudio/mcp.json"), "// mine\n{}");
    test::writeFile(home.dir.path(), QStringLiteral(".claude.json"), "{}");
    HubFixture fixture;
    AgentsPane pane(test::paneEnv(fixture), AgentClient::table(executable), executable);
    ASSERT_TRUE(waitUntil([&] { return pane.pending() == 0; }));
    test::settle();
    EXPECT_EQ(statusOf(&pane, "cursor"), "Connected to another copy of Morvanex");
    EXPECT_EQ(statusOf(&pane, "windsurf"), "Not found on this computer");
    EXPECT_EQ(statusOf(&pane, "lm-studio"), "Not connected");
    EXPECT_EQ(statusOf(&pane, "claude-code"), "Set up with a terminal command");
    EXPECT_EQ(test::child<QLabel>(&pane, QStringLiteral("locationWarning")), nullptr);
    EXPECT_EQ(test::child<QLabel>(&pane, QStringLiteral("command"))->text(), executable + " --mcp");

    // "Update" points the entry at this executable.
    QWidget* cursor = test::child<QWidget>(&pane, QStringLiteral("client-cursor"));
    test::child<QPushButton>(cursor, QStringLiteral("Update"))->click();
    ASSERT_TRUE(waitUntil([&] { return pane.pending() == 0; }));
    test::settle();
    EXPECT_EQ(statusOf(&pane, "cursor"), "Connected");
    EXPECT_EQ(noteOf(&pane, "cursor"), "Appears under Settings › MCP.");

    // A file with comments: the error in place of a note, until a later success.
    test::child<QPushButton>(test::child<QWidget>(&pane, QStringLiteral("client-lm-studio")),
                             QStringLiteral("Add"))
        ->click();
    ASSERT_TRUE(waitUntil([&] { return pane.pending() == 0; }));
    test::settle();
    EXPECT_TRUE(noteOf(&pane, "lm-studio").contains("couldn't be read as plain JSON"))
        << noteOf(&pane, "lm-studio").toStdString();
    EXPECT_EQ(statusOf(&pane, "lm-studio"), "Not connected");
    test::writeFile(home.dir.path(), QStringLiteral(".lmstudio/mcp.json"), "{}");
    test::child<QPushButton>(test::child<QWidget>(&pane, QStringLiteral("client-lm-studio")),
                             QStringLiteral("Add"))
        ->click();
    ASSERT_TRUE(waitUntil([&] { return pane.pending() == 0; }));
    test::settle();
    EXPECT_EQ(noteOf(&pane, "lm-studio"), "For local models that support tools.");
    EXPECT_TRUE(pane.errors().empty());

    test::child<QPushButton>(test::child<QWidget>(&pane, QStringLiteral("client-cursor")),
                             QStringLiteral("Remove"))
        ->click();
    ASSERT_TRUE(waitUntil([&] { return pane.pending() == 0; }));
    test::settle();
    EXPECT_EQ(statusOf(&pane, "cursor"), "Not connected");
    EXPECT_EQ(noteOf(&pane, "cursor"), "Removed.");

    test::child<QPushButton>(test::child<QWidget>(&pane, QStringLiteral("client-claude-code")),
                             QStringLiteral("Copy Command"))
        ->click();
    test::settle();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "claude mcp add --scope user morvanex -- /opt/morvanex/bin/morvanex --mcp");
    EXPECT_EQ(noteOf(&pane, "claude-code"), "Copied. Paste it into a terminal.");
    EXPECT_EQ(statusOf(&pane, "claude-code"), "Set up with a terminal command");

    test::child<QPushButton>(&pane, QStringLiteral("copyConfig"))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), AgentClient::genericSnippet(executable));
}

TEST(AgentsPane, TheBuildTreesExecutableShowsTheWarningAndAnInstalledOneNone) {
    // This test's build tree is the one the pane compares with.
    AgentHome home;
    HubFixture fixture;
    const QString built = QFileInfo(QStringLiteral(MORVANEX_BINARY)).canonicalFilePath();
    const QString installed = QStringLiteral("/home/ada/apps/bin/morvanex");
    for (const QString& executable : {built, installed}) {
        SCOPED_TRACE(executable.toStdString());
        AgentsPane pane(test::paneEnv(fixture), AgentClient::table(executable), executable);
        ASSERT_TRUE(waitUntil([&] { return pane.pending() == 0; }));
        test::settle();
        QLabel* warning = test::child<QLabel>(&pane, QStringLiteral("locationWarning"));
        if (executable == installed) {
            EXPECT_EQ(warning, nullptr);
            continue;
        }
        ASSERT_NE(warning, nullptr);
        EXPECT_TRUE(warning->text().startsWith("Morvanex is running from " + built + "."));
    }
}
