#include "e2e/ExitCheck.h"
#include "e2e/RunBinary.h"
#include "support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace morvanex::test;

namespace {

const QStringList ids = {"claude-desktop", "claude-code", "cursor",     "vscode",
                         "windsurf",       "lm-studio",   "gemini-cli", "codex"};

const QByteArray addUsage = "Usage: Morvanex --agents add "
                            "<claude-desktop|claude-code|cursor|vscode|windsurf|lm-studio|"
                            "gemini-cli|codex>\n";
const QByteArray removeUsage = "Usage: Morvanex --agents remove "
                               "<claude-desktop|claude-code|cursor|vscode|windsurf|lm-studio|"
                               "gemini-cli|codex>\n";
const QByteArray generalUsage =
    "Usage: Morvanex --agents status | add <client> | remove <client>\n";

QByteArray plainJsonRefusal(const char* name) {
    return QByteArray(name) + "'s config file couldn't be read as plain JSON (it may contain "
                              "comments), so Morvanex left it alone. Use the snippet below "
                              "instead.\n";
}

// The path the binary writes into configurations: its own, with links resolved.
QString binaryPath() {
    return QFileInfo(QStringLiteral(MORVANEX_BINARY)).canonicalFilePath();
}

QByteArray jsonEntry(const char* key, bool typed) {
    return QByteArray("{\n  \"") + key +
           "\" : {\n"
           "    \"morvanex\" : {\n"
           "      \"args\" : [\n"
           "        \"--mcp\"\n"
           "      ],\n"
           "      \"command\" : \"@EXE@\"" +
           (typed ? ",\n      \"type\" : \"stdio\"\n" : "\n") +
           "    }\n"
           "  }\n"
           "}\n";
}

const QByteArray tomlEntry = "[mcp_servers.morvanex]\n"
                             "command = \"@EXE@\"\n"
                             "args = [\"--mcp\"]\n";

// A file relative to the agent home: its exact bytes ("@EXE@" stands for the binary's path),
// or nullopt when nothing may exist there. A path ending in "/" is a folder.
struct FileState {
    const char* path;
    std::optional<QByteArray> content;
};

struct Step {
    QStringList arguments; // after "--agents"
    int exitStatus;
    QByteArray standardError;
    const char* listed; // a line the status listing must hold, or nullptr
    std::vector<FileState> files;
};

struct Scenario {
    const char* name;
    std::vector<FileState> before;
    std::vector<Step> steps;
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

class AgentsCommand : public testing::Test {
protected:
    void SetUp() override {
        agentHome = scratchDir() + QStringLiteral("/agent-home");
        ASSERT_TRUE(QDir().mkpath(agentHome));
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = bareEnvironment();
        env.insert(QStringLiteral("MORVANEX_AGENT_HOME"), agentHome);
        return env;
    }

    RunResult agents(const QStringList& arguments) const {
        return runMorvanex(QStringList{QStringLiteral("--agents")} + arguments, environment());
    }

    QString at(const char* path) const { return agentHome + QLatin1Char('/') + path; }

    void create(const FileState& file) const {
        const QString path = at(file.path);
        if (path.endsWith(QLatin1Char('/'))) {
            ASSERT_TRUE(QDir().mkpath(path));
            return;
        }
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(*file.content), file.content->size());
    }

    void check(const FileState& file, const QByteArray& executable) const {
        SCOPED_TRACE(file.path);
        QFile in(at(file.path));
        if (!file.content) {
            EXPECT_FALSE(in.exists());
            return;
        }
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray expected = *file.content;
        expected.replace("@EXE@", executable);
        EXPECT_EQ(in.readAll(), expected);
    }

    QString agentHome;
};

class AgentsScenario : public AgentsCommand, public testing::WithParamInterface<Scenario> {};

TEST_P(AgentsScenario, RunsStepByStep) {
    const Scenario& scenario = GetParam();
    for (const FileState& file : scenario.before)
        create(file);
    const QByteArray executable = binaryPath().toUtf8();
    for (const Step& step : scenario.steps) {
        SCOPED_TRACE(step.arguments.join(' ').toStdString());
        const RunResult result = agents(step.arguments);
        ASSERT_FALSE(result.crashed);
        EXPECT_EQ(result.exitCode, step.exitStatus);
        EXPECT_EQ(result.standardError, step.standardError);
        if (step.exitStatus == 0) {
            EXPECT_EQ(result.standardOutput.count('\n'), 8);
            if (step.listed) {
                const QByteArray line = QByteArray(step.listed) + '\n';
                EXPECT_TRUE(result.standardOutput.contains(line))
                    << result.standardOutput.toStdString();
            }
        } else {
            EXPECT_TRUE(result.standardOutput.isEmpty());
        }
        for (const FileState& file : step.files)
            check(file, executable);
    }
}

const QByteArray commentedJson = "// my servers\n{\"mcpServers\": {}}\n";
const QByteArray tomlBefore = "model = \"o3\"  # fast\n\n[profiles.x]\n  a = 1\n";
const QByteArray tomlIndentedAfterEntry = "[mcp_servers.morvanex]\ncommand = \"/opt/old\"\n"
                                          "  [mcp_servers.other]\n  command = \"/o\"\n";
const QByteArray tomlInlineEntry = "mcp_servers = { morvanex = { command = \"/opt/old\" } }\n";
const QByteArray tomlWithOldEntry = "a = 1\n\n[mcp_servers.morvanex]\ncommand = \"/opt/old\"\n"
                                    "args = [\"--mcp\"]\n# note\n\n[other]\nb = 2\n";

INSTANTIATE_TEST_SUITE_P(
    Scenarios, AgentsScenario,
    testing::Values(
        Scenario{"MissingFileIsCreatedWithoutBackup",
                 {{".cursor/", {}}},
                 {{{"status"}, 0, "", "cursor          notAdded", {}},
                  {{"add", "cursor"},
                   0,
                   "",
                   "cursor          added",
                   {{".cursor/mcp.json", jsonEntry("mcpServers", false)},
                    {".cursor/mcp.json.morvanex-backup", std::nullopt}}}}},
        Scenario{"AddingForAnAbsentApplicationInstallsItsFolder",
                 {},
                 {{{}, 0, "", "cursor          notInstalled", {}},
                  {{"add", "cursor"}, 0, "", "cursor          added", {}}}},
        Scenario{"FileWithCommentsIsRefusedAndUntouched",
                 {{".gemini/settings.json", commentedJson}},
                 {{{"add", "gemini-cli"},
                   1,
                   plainJsonRefusal("Gemini CLI"),
                   nullptr,
                   {{".gemini/settings.json", commentedJson},
                    {".gemini/settings.json.morvanex-backup", std::nullopt}}},
                  {{"remove", "gemini-cli"},
                   1,
                   plainJsonRefusal("Gemini CLI"),
                   nullptr,
                   {{".gemini/settings.json", commentedJson}}},
                  {{}, 0, "", "gemini-cli      notAdded", {}}}},
        Scenario{"WhitespaceOnlyFileCountsAsEmpty",
                 {{".lmstudio/mcp.json", " \n\t\r\n"}},
                 {{{}, 0, "", "lm-studio       notAdded", {}},
                  {{"add", "lm-studio"},
                   0,
                   "",
                   "lm-studio       added",
                   {{".lmstudio/mcp.json", jsonEntry("mcpServers", false)},
                    {".lmstudio/mcp.json.morvanex-backup", " \n\t\r\n"}}}}},
        Scenario{"EntryPointingElsewhereIsReplaced",
                 {{".codeium/windsurf/mcp_config.json",
                   "{\"mcpServers\": {\"morvanex\": {\"command\": \"/opt/old \\\"m\\\"\\\\x\"}}}"}},
                 {{{}, 0, "", "windsurf        addedElsewhere(\"/opt/old \\\"m\\\"\\\\x\")", {}},
                  {{"add", "windsurf"},
                   0,
                   "",
                   "windsurf        added",
                   {{".codeium/windsurf/mcp_config.json", jsonEntry("mcpServers", false)}}}}},
        Scenario{
            "BackupIsMadeOnceOnly",
            {{".config/Claude/claude_desktop_config.json", "{\"theme\": 1}"}},
            {{{"add", "claude-desktop"},
              0,
              "",
              "claude-desktop  added",
              {{".config/Claude/claude_desktop_config.json.morvanex-backup", "{\"theme\": 1}"}}},
             {{"remove", "claude-desktop"},
              0,
              "",
              "claude-desktop  notAdded",
              {{".config/Claude/claude_desktop_config.json",
                "{\n  \"mcpServers\" : {},\n  \"theme\" : 1\n}\n"}}},
             {{"add", "claude-desktop"},
              0,
              "",
              "claude-desktop  added",
              {{".config/Claude/claude_desktop_config.json.morvanex-backup", "{\"theme\": 1}"}}}}},
        Scenario{"TomlRoundTripLeavesTheRestByteIdentical",
                 {{".codex/config.toml", tomlBefore}},
                 {{{"add", "codex"},
                   0,
                   "",
                   "codex           added",
                   {{".codex/config.toml", tomlBefore + "\n" + tomlEntry},
                    {".codex/config.toml.morvanex-backup", tomlBefore}}},
                  {{"add", "codex"},
                   0,
                   "",
                   "codex           added",
                   {{".codex/config.toml", tomlBefore + "\n" + tomlEntry}}},
                  {{"remove", "codex"},
                   0,
                   "",
                   "codex           notAdded",
                   {{".codex/config.toml", tomlBefore}}}}},
        Scenario{"TomlSectionFollowedByAnotherHeader",
                 {{".codex/config.toml", tomlWithOldEntry}},
                 {{{}, 0, "", "codex           addedElsewhere(\"/opt/old\")", {}},
                  {{"remove", "codex"},
                   0,
                   "",
                   "codex           notAdded",
                   {{".codex/config.toml", "a = 1\n\n[other]\nb = 2\n"}}},
                  {{"add", "codex"},
                   0,
                   "",
                   "codex           added",
                   {{".codex/config.toml", "a = 1\n\n[other]\nb = 2\n\n" + tomlEntry}}}}},
        Scenario{"TomlHeaderQuotedInACommentIsNotTheSection",
                 {{".codex/config.toml", "# [mcp_servers.morvanex] goes below\na = 1\n"}},
                 {{{}, 0, "", "codex           notAdded", {}},
                  {{"remove", "codex"},
                   0,
                   "",
                   "codex           notAdded",
                   {{".codex/config.toml", "# [mcp_servers.morvanex] goes below\na = 1\n"}}},
                  {{"add", "codex"},
                   0,
                   "",
                   "codex           added",
                   {{".codex/config.toml",
                     "# [mcp_servers.morvanex] goes below\na = 1\n\n" + tomlEntry}}}}},
        Scenario{
            "RemoveWithoutSectionRewritesTheFileUnchanged",
            {{".codex/config.toml", "a = 1"}},
            {{{"remove", "codex"},
              0,
              "",
              "codex           notAdded",
              {{".codex/config.toml", "a = 1"}, {".codex/config.toml.morvanex-backup", "a = 1"}}}}},
        Scenario{"TomlEditThatWouldSwallowAnIndentedTableIsRefused",
                 {{".codex/config.toml", tomlIndentedAfterEntry}},
                 {{{"add", "codex"},
                   1,
                   "Codex CLI's config file is laid out so that editing the morvanex entry would "
                   "also change other settings, so Morvanex left it alone.\n",
                   nullptr,
                   {{".codex/config.toml", tomlIndentedAfterEntry},
                    {".codex/config.toml.morvanex-backup", std::nullopt}}},
                  {{}, 0, "", "codex           addedElsewhere(\"/opt/old\")", {}}}},
        Scenario{"TomlEntryAsAnInlineTableIsRefused",
                 {{".codex/config.toml", tomlInlineEntry}},
                 {{{"add", "codex"},
                   1,
                   "Codex CLI's config file holds the morvanex entry in a form Morvanex can't "
                   "edit (only a [mcp_servers.morvanex] table on its own), so Morvanex left it "
                   "alone.\n",
                   nullptr,
                   {{".codex/config.toml", tomlInlineEntry},
                    {".codex/config.toml.morvanex-backup", std::nullopt}}}}},
        Scenario{"JsonServersOfAnotherKindAreRefused",
                 {{".cursor/mcp.json", "{\"mcpServers\": [\"keep-me\"]}"}},
                 {{{"add", "cursor"},
                   1,
                   "Cursor's config file keeps \"mcpServers\" as something other than an object, "
                   "so Morvanex left it alone.\n",
                   nullptr,
                   {{".cursor/mcp.json", "{\"mcpServers\": [\"keep-me\"]}"},
                    {".cursor/mcp.json.morvanex-backup", std::nullopt}}},
                  {{}, 0, "", "cursor          notAdded", {}}}},
        Scenario{"JsonNumberBeyondDoublesIsRefused",
                 {{".gemini/settings.json", "{\"n\": 123456789012345678901}"}},
                 {{{"add", "gemini-cli"},
                   1,
                   "Gemini CLI's config file holds a value that Morvanex can't rewrite exactly (a "
                   "very long number, a repeated key or a broken character escape), so Morvanex "
                   "left it alone.\n",
                   nullptr,
                   {{".gemini/settings.json", "{\"n\": 123456789012345678901}"},
                    {".gemini/settings.json.morvanex-backup", std::nullopt}}}}},
        Scenario{"VsCodeEntryIsTyped",
                 {{".config/Code/User/", {}}},
                 {{{"add", "vscode"},
                   0,
                   "",
                   "vscode          added",
                   {{".config/Code/User/mcp.json", jsonEntry("servers", true)}}}}},
        Scenario{"ClaudeCodeIsSetUpByACommand",
                 {{".claude/", {}}},
                 {{{}, 0, "", "claude-code     manual", {}},
                  {{"add", "claude-code"},
                   1,
                   "Claude Code is set up with a command; copy it and run it in a terminal.\n",
                   nullptr,
                   {}},
                  {{"remove", "claude-code", "extra"},
                   1,
                   "Run `claude mcp remove morvanex --scope user` in a terminal.\n",
                   nullptr,
                   {}}}},
        Scenario{"UnreadableFileFailsWithStatusOne",
                 {{".cursor/mcp.json", "{\"a\": \"\xff\"}"}},
                 {{{"add", "cursor"},
                   1,
                   "Couldn't read Cursor's config file, so Morvanex left it alone.\n",
                   nullptr,
                   {{".cursor/mcp.json", "{\"a\": \"\xff\"}"},
                    {".cursor/mcp.json.morvanex-backup", std::nullopt}}}}}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST_F(AgentsCommand, ListingHasOneLinePerApplicationWithTheStatusAtCharacter17) {
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"status"}, QStringList{"status", "add", "cursor"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const RunResult result = agents(arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(result.standardError.isEmpty());
        ASSERT_TRUE(result.standardOutput.endsWith('\n'));
        const QList<QByteArray> lines = result.standardOutput.chopped(1).split('\n');
        ASSERT_EQ(lines.size(), ids.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].left(15).trimmed(), ids[i].toUtf8());
            EXPECT_EQ(lines[i].mid(15, 1), " ");
            EXPECT_EQ(lines[i].mid(16), "notInstalled");
        }
    }
    // "status" with "add" after it only lists.
    EXPECT_TRUE(QDir(agentHome).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(AgentsCommand, UsageErrorsExitWithTwoAndPrintNothingOnStandardOutput) {
    struct UsageRow {
        QStringList arguments;
        QByteArray standardError;
    };
    const std::vector<UsageRow> rows = {
        {{"add"}, addUsage},
        {{"add", "Cursor"}, addUsage},
        {{"add", "nope", "cursor"}, addUsage},
        {{"remove"}, removeUsage},
        {{"remove", ""}, removeUsage},
        {{"list"}, generalUsage},
        {{"Status"}, generalUsage},
        {{"--help"}, generalUsage},
        {{""}, generalUsage},
    };
    for (const UsageRow& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const RunResult result = agents(row.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.standardOutput.isEmpty());
        EXPECT_EQ(result.standardError, row.standardError);
    }
    EXPECT_TRUE(QDir(agentHome).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(AgentsCommand, OperatingSystemFailureExitsWithOneSentence) {
    create({".lmstudio", QByteArray("a file where the folder should be")});
    const RunResult result = agents({"add", "lm-studio"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardOutput.isEmpty());
    EXPECT_TRUE(result.standardError.startsWith("Couldn't create the folder " +
                                                QFile::encodeName(at(".lmstudio"))))
        << result.standardError.toStdString();
    EXPECT_TRUE(result.standardError.endsWith(".\n"));
    EXPECT_EQ(result.standardError.count('\n'), 1);
}

// The agent home replaces the user's home for every lookup and write.
TEST_F(AgentsCommand, AgentHomeSealsOffTheUsersHome) {
    const QString userHome = bareEnvironment().value(QStringLiteral("HOME"));
    ASSERT_TRUE(QDir().mkpath(userHome + "/.cursor"));
    ASSERT_TRUE(QDir().mkpath(userHome + "/.codex"));
    const RunResult listed = agents({});
    EXPECT_TRUE(listed.standardOutput.contains("cursor          notInstalled\n"));
    EXPECT_TRUE(listed.standardOutput.contains("codex           notInstalled\n"));

    EXPECT_EQ(agents({"add", "codex"}).exitCode, 0);
    EXPECT_EQ(agents({"add", "cursor"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(at(".codex/config.toml")));
    EXPECT_TRUE(QFile::exists(at(".cursor/mcp.json")));
    QDirIterator entries(userHome, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    QStringList found;
    while (entries.hasNext())
        found.append(QDir(userHome).relativeFilePath(entries.next()));
    found.sort();
    EXPECT_EQ(found, (QStringList{".codex", ".cursor"}));
}

// The binary run with a limit on how large a file it may write. With `dies`, writing past the
// limit ends the process on the spot, as a crash or kill -9 in the middle of a write would;
// otherwise the write fails with the system's "File too large".
RunResult agentsWithFileSizeLimit(const QProcessEnvironment& environment,
                                  const QStringList& arguments, rlim_t limit, bool dies) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([limit, dies] {
        ::signal(SIGXFSZ, dies ? SIG_DFL : SIG_IGN);
        const rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
    });
    process.start(QStringLiteral(MORVANEX_BINARY),
                  QStringList{QStringLiteral("--agents")} + arguments);
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000))
        return {};
    return finishedRun(process);
}

// The process dies while copying a large original to the backup: the file stays as it was,
// no backup stands, and the next add backs up the whole original.
TEST_F(AgentsCommand, BackupCutShortNeverCountsAsTheBackup) {
    const QByteArray original = "{\"mcpServers\": {}}" + QByteArray(512 * 1024, ' ') + "\n";
    create({".cursor/mcp.json", original});
    const RunResult killed =
        agentsWithFileSizeLimit(environment(), {"add", "cursor"}, 64 * 1024, true);
    EXPECT_TRUE(killed.crashed) << killed.standardError.toStdString();
    const QByteArray executable = binaryPath().toUtf8();
    check({".cursor/mcp.json", original}, executable);
    check({".cursor/mcp.json.morvanex-backup", std::nullopt}, executable);

    const RunResult added = agents({"add", "cursor"});
    EXPECT_EQ(added.exitCode, 0) << added.standardError.toStdString();
    check({".cursor/mcp.json", jsonEntry("mcpServers", false)}, executable);
    check({".cursor/mcp.json.morvanex-backup", original}, executable);
}

// The system refuses the new text: nothing changes, and no backup claims a change.
TEST_F(AgentsCommand, RefusedWriteMakesNoBackup) {
    create({".cursor/mcp.json", QByteArray("{}")});
    const RunResult refused = agentsWithFileSizeLimit(environment(), {"add", "cursor"}, 16, false);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.standardOutput.isEmpty());
    EXPECT_TRUE(refused.standardError.startsWith("Couldn't write " +
                                                 QFile::encodeName(at(".cursor/mcp.json"))))
        << refused.standardError.toStdString();
    EXPECT_EQ(refused.standardError.count('\n'), 1);
    const QByteArray executable = binaryPath().toUtf8();
    check({".cursor/mcp.json", QByteArray("{}")}, executable);
    check({".cursor/mcp.json.morvanex-backup", std::nullopt}, executable);
}

// The binary copied into a folder whose name holds a space, a quotation mark and a backslash
// must still write entries that start exactly it.
TEST_F(AgentsCommand, OddExecutablePathIsWrittenSoItReadsBackExactly) {
    const QString folder = scratchDir() + QStringLiteral("/my \"odd\\ apps");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString copy = folder + QStringLiteral("/morvanex");
    ASSERT_TRUE(QFile::copy(binaryPath(), copy));
    ASSERT_TRUE(QFile::setPermissions(copy, QFile::permissions(binaryPath())));

    QProcess process;
    process.setProcessEnvironment(environment());
    const auto run = [&](const QStringList& arguments) {
        process.start(copy, QStringList{QStringLiteral("--agents")} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_TRUE(exitedCleanly(process.exitCode(), process.readAllStandardError()));
        return process.readAllStandardOutput();
    };
    run({"add", "codex"});
    const QByteArray listing = run({"add", "cursor"});
    EXPECT_TRUE(listing.contains("codex           added\n")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("cursor          added\n")) << listing.toStdString();

    QFile toml(at(".codex/config.toml"));
    ASSERT_TRUE(toml.open(QIODevice::ReadOnly));
    const QByteArray escaped =
        QByteArray(copy.toUtf8()).replace("\\", "\\\\").replace("\"", "\\\"");
    EXPECT_EQ(toml.readAll(),
              "[mcp_servers.morvanex]\ncommand = \"" + escaped + "\"\nargs = [\"--mcp\"]\n");

    QFile json(at(".cursor/mcp.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject entry = QJsonDocument::fromJson(json.readAll())
                                  .object()
                                  .value("mcpServers")
                                  .toObject()
                                  .value("morvanex")
                                  .toObject();
    EXPECT_EQ(entry.value("command").toString(), copy);

    // The binary at its usual place sees both entries as another executable's.
    const RunResult other = agents({});
    EXPECT_TRUE(
        other.standardOutput.contains("codex           addedElsewhere(\"" + escaped + "\")\n"))
        << other.standardOutput.toStdString();
}

} // namespace

namespace {

// A run killed while copying the original leaves the copy under its temporary name; the next
// change removes such leftovers once no run can still be writing them, and nothing else.
TEST_F(AgentsCommand, UnfinishedBackupCopiesOfKilledRunsAreRemovedNextTime) {
    create({".codex/config.toml", QByteArray("a = 1\n")});
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-600);
    const auto plant = [&](const char* name, const QDateTime& when) {
        create({name, QByteArray("a = ")});
        QFile file(at(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    };
    plant(".codex/config.toml.morvanex-backup.AbCdEf", old);
    plant(".codex/config.toml.morvanex-backup.GhIjKl", QDateTime::currentDateTimeUtc());
    plant(".codex/config.toml.morvanex-backup.AbCdEfG", old);
    plant(".codex/other.toml.morvanex-backup.AbCdEf", old);
    create({".codex/config.toml.morvanex-backup.MnOpQr/", std::nullopt});

    const RunResult added = agents({"add", "codex"});
    EXPECT_EQ(added.exitCode, 0) << added.standardError.toStdString();
    QStringList left = QDir(at(".codex")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    left.sort();
    EXPECT_EQ(
        left,
        (QStringList{"config.toml", "config.toml.morvanex-backup",
                     "config.toml.morvanex-backup.AbCdEfG", "config.toml.morvanex-backup.GhIjKl",
                     "config.toml.morvanex-backup.MnOpQr", "other.toml.morvanex-backup.AbCdEf"}));
}

// An agent home whose name is not UTF-8 is refused: decoded, it would name a look-alike folder
// and the entry would be written there.
TEST_F(AgentsCommand, AnAgentHomeThatIsNotUtf8IsRefused) {
    const QByteArray base = QFile::encodeName(scratchDir());
    const QByteArray home = base + "/h\xff\xfe";
    ASSERT_EQ(::mkdir(home.constData(), 0755), 0);
    ASSERT_EQ(::mkdir((home + "/.codex").constData(), 0755), 0);
    QProcessEnvironment environment = bareEnvironment();
    environment.insert(QStringLiteral("BASE"), QFile::decodeName(base));
    for (const char* command : {"add", "status"}) {
        SCOPED_TRACE(command);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("MORVANEX_AGENT_HOME=\"$(printf '%s/h\\377\\376' \"$BASE\")\" "
                            "exec \"$0\" --agents $1 codex"),
             QStringLiteral(MORVANEX_BINARY), QString::fromLatin1(command)});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
        EXPECT_EQ(process.readAllStandardError(),
                  "Morvanex: MORVANEX_AGENT_HOME is not valid UTF-8; name the home folder in "
                  "UTF-8.\n");
    }
    struct stat info {};
    EXPECT_NE(::stat((home + "/.codex/config.toml").constData(), &info), 0);
    EXPECT_NE(::stat((base + "/h\xef\xbf\xbd\xef\xbf\xbd").constData(), &info), 0);
    std::filesystem::remove_all(std::filesystem::path(home.toStdString()));
}

// The binary run by a user who may not write at the root of the file system, so a run that
// took "~" for "/" fails there instead of writing: root runs it as nobody, in a scratch folder
// opened to every user. Anyone else runs it as itself.
RunResult agentsWithoutRootWrites(const QProcessEnvironment& environment,
                                  const QStringList& arguments, const QString& workingDirectory) {
    QStringList command{QStringLiteral(MORVANEX_BINARY), QStringLiteral("--agents")};
    command += arguments;
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                              QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                              QStringLiteral("--")} +
                  command;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(command.first(), command.mid(1));
    RunResult result;
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000))
        return result;
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = result.crashed ? -1 : process.exitCode();
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

// An empty agent home counts as unset: "~" is the user's home, not the root of the file
// system. A relative one is refused in one line, whatever the command, and nothing is written.
TEST_F(AgentsCommand, AnEmptyAgentHomeIsTheUsersHomeAndARelativeOneIsRefused) {
    if (::geteuid() != 0 && ::access("/", W_OK) == 0)
        GTEST_SKIP() << "this user may write at the root of the file system";
    if (QFileInfo::exists(QStringLiteral("/.codex")))
        GTEST_SKIP() << "/.codex exists already, so a write there would not show";
    const QString base = scratchDir();
    const QString home = base + QStringLiteral("/open-home");
    const QString work = base + QStringLiteral("/work");
    for (const QString& folder : {home + "/.codex", work + "/relative/.codex"})
        ASSERT_TRUE(QDir().mkpath(folder));
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                     QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                     QFile::ExeOther;
    for (const QString& folder :
         {base, home, home + "/.codex", work, work + "/relative", work + "/relative/.codex"})
        ASSERT_TRUE(QFile::setPermissions(folder, all));

    QProcessEnvironment environment = bareEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("MORVANEX_AGENT_HOME"), QString());
    const RunResult added = agentsWithoutRootWrites(environment, {"add", "codex"}, work);
    EXPECT_EQ(added.exitCode, 0) << added.standardError.toStdString();
    EXPECT_TRUE(added.standardOutput.contains("codex           added\n"));
    EXPECT_TRUE(QFile::exists(home + "/.codex/config.toml"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/.codex")));

    environment.insert(QStringLiteral("MORVANEX_AGENT_HOME"), QStringLiteral("relative"));
    for (const char* command : {"add", "status"}) {
        SCOPED_TRACE(command);
        const RunResult refused =
            agentsWithoutRootWrites(environment, {QString::fromLatin1(command), "codex"}, work);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.standardOutput.isEmpty());
        EXPECT_EQ(refused.standardError,
                  "Morvanex: MORVANEX_AGENT_HOME must be an absolute path (one that starts with "
                  "/), or empty for the home folder.\n");
    }
    EXPECT_TRUE(QDir(work + "/relative/.codex")
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

} // namespace
