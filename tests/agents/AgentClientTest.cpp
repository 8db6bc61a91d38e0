#include "agents/AgentClient.h"

#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <string_view>

using namespace morvanex;

namespace {

using Status = AgentClient::Status;

const QString exe = QStringLiteral("/usr/bin/morvanex");

// Every test sees its own agent home inside the scratch folder.
class AgentHome : public testing::Test {
protected:
    void SetUp() override {
        home = test::scratchDir() + QStringLiteral("/agents");
        ASSERT_TRUE(QDir().mkpath(home));
        qputenv("MORVANEX_AGENT_HOME", QFile::encodeName(home));
    }
    void TearDown() override { qunsetenv("MORVANEX_AGENT_HOME"); }

    static AgentClient client(const QString& id, const QString& executable = exe) {
        for (AgentClient& candidate : AgentClient::table(executable)) {
            if (candidate.id == id)
                return candidate;
        }
        ADD_FAILURE() << "no client " << id.toStdString();
        return {};
    }

    QString at(const QString& relative) const { return home + QLatin1Char('/') + relative; }

    void put(const QString& relative, const QByteArray& bytes) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(relative)).absolutePath()));
        QFile file(at(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    void makeDir(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(at(relative))); }

    std::optional<QByteArray> get(const QString& relative) const {
        QFile file(at(relative));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }

    QString home;
};

// ---- The table -------------------------------------------------------------------------

TEST(AgentClientTable, HoldsTheEightApplicationsInOrderWithLinuxPaths) {
    struct Expected {
        const char* id;
        const char* name;
        const char* detail;
        const char* path; // "" for the command
        const char* key;  // "" for TOML and the command
        bool typed;
        QStringList detect;
    };
    const std::vector<Expected> expected = {
        {"claude-desktop",
         "Claude Desktop",
         "Quit and reopen Claude after adding.",
         "~/.config/Claude/claude_desktop_config.json",
         "mcpServers",
         false,
         {"~/.config/Claude"}},
        {"claude-code",
         "Claude Code",
         "Run this once in a terminal.",
         "",
         "",
         false,
         {"~/.claude.json", "~/.claude"}},
        {"cursor",
         "Cursor",
         "Appears under Settings \u203a MCP.",
         "~/.cursor/mcp.json",
         "mcpServers",
         false,
         {"~/.config/Cursor", "~/.cursor"}},
        {"vscode",
         "VS Code",
         "For Copilot's agent mode. Reload the window after adding.",
         "~/.config/Code/User/mcp.json",
         "servers",
         true,
         {"~/.config/Code", "~/.config/Code/User"}},
        {"windsurf",
         "Windsurf",
         "Refresh MCP servers in Cascade after adding.",
         "~/.codeium/windsurf/mcp_config.json",
         "mcpServers",
         false,
         {"~/.config/Windsurf", "~/.codeium/windsurf"}},
        {"lm-studio",
         "LM Studio",
         "For local models that support tools.",
         "~/.lmstudio/mcp.json",
         "mcpServers",
         false,
         {"~/.config/LM Studio", "~/.lmstudio"}},
        {"gemini-cli",
         "Gemini CLI",
         "Start a new session after adding.",
         "~/.gemini/settings.json",
         "mcpServers",
         false,
         {"~/.gemini"}},
        {"codex",
         "Codex CLI",
         "Start a new session after adding.",
         "~/.codex/config.toml",
         "",
         false,
         {"~/.codex"}},
    };
    const std::vector<AgentClient> table = AgentClient::table(exe);
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const AgentClient& client = table[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(want.id);
        EXPECT_EQ(client.id, QString::fromUtf8(want.id));
        EXPECT_EQ(client.name, QString::fromUtf8(want.name));
        EXPECT_EQ(client.detail, QString::fromUtf8(want.detail));
        EXPECT_EQ(client.detect, want.detect);
        EXPECT_EQ(client.serverExecutable, exe);
        if (const auto* json = std::get_if<AgentClient::JsonConfig>(&client.config)) {
            EXPECT_EQ(json->path, QString::fromUtf8(want.path));
            EXPECT_EQ(json->key, QString::fromUtf8(want.key));
            EXPECT_EQ(json->typed, want.typed);
        } else if (const auto* toml = std::get_if<AgentClient::TomlConfig>(&client.config)) {
            EXPECT_EQ(toml->path, QString::fromUtf8(want.path));
            EXPECT_STREQ(want.key, "");
        } else {
            EXPECT_TRUE(std::holds_alternative<AgentClient::CommandConfig>(client.config));
            EXPECT_STREQ(want.path, "");
        }
    }
}

TEST(AgentClientTable, ClaudeCodeCommandQuotesThePathOnlyWhenTheShellNeedsIt) {
    const auto commandLine = [](const QString& executable) {
        const AgentClient client = AgentClient::table(executable).at(1);
        return std::get<AgentClient::CommandConfig>(client.config).commandLine;
    };
    EXPECT_EQ(commandLine(exe), "claude mcp add --scope user morvanex -- /usr/bin/morvanex --mcp");
    EXPECT_EQ(commandLine("/home/me/My Apps/morvanex"),
              "claude mcp add --scope user morvanex -- '/home/me/My Apps/morvanex' --mcp");
    EXPECT_EQ(commandLine("/opt/$x/morvanex"),
              "claude mcp add --scope user morvanex -- '/opt/$x/morvanex' --mcp");
}

TEST(AgentClientTable, AllIsBuiltForTheRunningExecutable) {
    const QString running = QCoreApplication::applicationFilePath();
    ASSERT_FALSE(running.isEmpty());
    EXPECT_EQ(AgentClient::executable(), running);
    ASSERT_EQ(AgentClient::all().size(), 8u);
    for (const AgentClient& client : AgentClient::all())
        EXPECT_EQ(client.serverExecutable, running);
}

TEST(AgentClientTable, ClientMatchesTheIdExactly) {
    ASSERT_TRUE(AgentClient::client("cursor"));
    EXPECT_EQ(AgentClient::client("cursor")->name, "Cursor");
    EXPECT_EQ(AgentClient::client("codex")->name, "Codex CLI");
    EXPECT_FALSE(AgentClient::client("Cursor"));
    EXPECT_FALSE(AgentClient::client("cursor "));
    EXPECT_FALSE(AgentClient::client(""));
}

TEST(AgentClientSnippet, IsTheServerEntryInTheJsonOutputForm) {
    EXPECT_EQ(AgentClient::genericSnippet("/opt/a b/morvanex"),
              "{\n"
              "  \"mcpServers\" : {\n"
              "    \"morvanex\" : {\n"
              "      \"args\" : [\n"
              "        \"--mcp\"\n"
              "      ],\n"
              "      \"command\" : \"/opt/a b/morvanex\"\n"
              "    }\n"
              "  }\n"
              "}\n");
    EXPECT_TRUE(AgentClient::genericSnippet().contains(
        "\"command\" : \"" + QCoreApplication::applicationFilePath() + "\""));
}

// ---- Home folder -------------------------------------------------------------------------

TEST(AgentClientExpand, UsesTheAgentHomeWhenItIsAnAbsolutePath) {
    const QString userHome = qEnvironmentVariable("HOME");
    ASSERT_FALSE(userHome.isEmpty());
    qunsetenv("MORVANEX_AGENT_HOME");
    EXPECT_EQ(AgentClient::expand("~/.cursor/mcp.json"), userHome + "/.cursor/mcp.json");
    EXPECT_EQ(AgentClient::expand("/etc/x"), "/etc/x");

    qputenv("MORVANEX_AGENT_HOME", "/tmp/agent home");
    EXPECT_EQ(AgentClient::expand("~/.cursor/mcp.json"), "/tmp/agent home/.cursor/mcp.json");
    EXPECT_EQ(AgentClient::expand("~"), "/tmp/agent home");
    EXPECT_EQ(AgentClient::expand("a/~/b"), "a/~/b");

    // Empty counts as unset: "~" never becomes the root of the file system.
    qputenv("MORVANEX_AGENT_HOME", "");
    EXPECT_EQ(AgentClient::expand("~/.codex"), userHome + "/.codex");
    // A relative home names no file at all, so nothing lands under the working folder; the
    // write says why.
    qputenv("MORVANEX_AGENT_HOME", "relative/home");
    EXPECT_EQ(AgentClient::expand("~/.codex"), QString());
    EXPECT_EQ(AgentClient::expand("/etc/x"), "/etc/x");
    const auto refused = AgentClient::client(QStringLiteral("codex"))->add();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->localizedDescription(),
              "MORVANEX_AGENT_HOME must be an absolute path (one that starts with /), or empty for "
              "the home folder.");
    qunsetenv("MORVANEX_AGENT_HOME");
}

// ---- Status ------------------------------------------------------------------------------

struct StatusRow {
    const char* name;
    const char* id;
    const char* file; // relative to the agent home; nullptr: no file
    QByteArray content;
    Status status;
};

void PrintTo(const StatusRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentStatusTable : public AgentHome, public testing::WithParamInterface<StatusRow> {};

TEST_P(AgentStatusTable, ReadsTheEntryFromTheFile) {
    const StatusRow& row = GetParam();
    makeDir(".cursor");
    makeDir(".codex");
    if (row.file)
        put(row.file, row.content);
    EXPECT_EQ(client(row.id).status(), row.status);
}

const QByteArray cursorEntry =
    "{\"mcpServers\": {\"morvanex\": {\"command\": \"/usr/bin/morvanex\"}}}";

INSTANTIATE_TEST_SUITE_P(
    Files, AgentStatusTable,
    testing::Values(
        StatusRow{"JsonMissing", "cursor", nullptr, {}, Status::notAdded()},
        StatusRow{"JsonEmpty", "cursor", ".cursor/mcp.json", "", Status::notAdded()},
        StatusRow{"JsonAdded", "cursor", ".cursor/mcp.json", cursorEntry, Status::added()},
        StatusRow{"JsonElsewhere", "cursor", ".cursor/mcp.json",
                  "{\"mcpServers\": {\"morvanex\": {\"command\": \"/opt/old\"}}}",
                  Status::addedElsewhere("/opt/old")},
        StatusRow{"JsonCommandMissing", "cursor", ".cursor/mcp.json",
                  "{\"mcpServers\": {\"morvanex\": {\"args\": []}}}", Status::addedElsewhere("")},
        StatusRow{"JsonCommandNotText", "cursor", ".cursor/mcp.json",
                  "{\"mcpServers\": {\"morvanex\": {\"command\": 7}}}", Status::addedElsewhere("")},
        StatusRow{"JsonEntryNotObject", "cursor", ".cursor/mcp.json",
                  "{\"mcpServers\": {\"morvanex\": \"/usr/bin/morvanex\"}}", Status::notAdded()},
        StatusRow{"JsonServersNotObject", "cursor", ".cursor/mcp.json", "{\"mcpServers\": []}",
                  Status::notAdded()},
        StatusRow{"JsonOtherKey", "cursor", ".cursor/mcp.json",
                  "{\"servers\": {\"morvanex\": {\"command\": \"/usr/bin/morvanex\"}}}",
                  Status::notAdded()},
        StatusRow{"JsonTopLevelArray", "cursor", ".cursor/mcp.json", "[1]", Status::notAdded()},
        StatusRow{"JsonWithComments", "cursor", ".cursor/mcp.json", "// mine\n" + cursorEntry,
                  Status::notAdded()},
        StatusRow{"JsonNotUtf8", "cursor", ".cursor/mcp.json",
                  "{\"mcpServers\": {\"morvanex\": {\"command\": \"/usr/bin/morvanex\xff\"}}}",
                  Status::notAdded()},
        StatusRow{"JsonPathIsAFolder", "cursor", ".cursor/mcp.json/x", "", Status::notAdded()},
        StatusRow{"TomlMissing", "codex", nullptr, {}, Status::notAdded()},
        StatusRow{"TomlNoSection", "codex", ".codex/config.toml", "a = 1\n", Status::notAdded()},
        StatusRow{"TomlAdded", "codex", ".codex/config.toml",
                  "a = 1\n\n[mcp_servers.morvanex]\ncommand = \"/usr/bin/morvanex\"\n",
                  Status::added()},
        StatusRow{"TomlElsewhere", "codex", ".codex/config.toml",
                  "[mcp_servers.morvanex]\n  command=\"/opt/old\"\n[x]\ncommand = \"/usr/bin/"
                  "morvanex\"\n",
                  Status::addedElsewhere("/opt/old")},
        StatusRow{"TomlNoCommand", "codex", ".codex/config.toml",
                  "[mcp_servers.morvanex]\nargs = []\n", Status::addedElsewhere("")},
        StatusRow{"TomlHeaderOnlyInAComment", "codex", ".codex/config.toml",
                  "# [mcp_servers.morvanex]\ncommand = \"/usr/bin/morvanex\"\n",
                  Status::notAdded()},
        StatusRow{"TomlNotUtf8", "codex", ".codex/config.toml",
                  "[mcp_servers.morvanex]\ncommand = \"/usr/bin/morvanex\"\n\xc3\x28\n",
                  Status::notAdded()},
        StatusRow{"CommandIsManual", "claude-code", ".claude.json", "{}", Status::manual()},
        StatusRow{"NothingDetected", "gemini-cli", nullptr, {}, Status::notInstalled()}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST_F(AgentHome, NotInstalledWinsOverAnEntryInTheFile) {
    put("x.json", cursorEntry);
    const AgentClient lonely{"x",
                             "X",
                             "",
                             AgentClient::JsonConfig{"~/x.json", "mcpServers", false},
                             QStringList{"~/absent", "~/also-absent"},
                             exe};
    EXPECT_FALSE(lonely.isInstalled());
    EXPECT_EQ(lonely.status(), Status::notInstalled());
    AgentClient found = lonely;
    found.detect = QStringList{"~/absent", "~/x.json"};
    EXPECT_TRUE(found.isInstalled());
    EXPECT_EQ(found.status(), Status::added());
    found.detect.clear();
    EXPECT_FALSE(found.isInstalled());
}

TEST(AgentClientStatus, EqualityComparesTheCommandOnlyForAddedElsewhere) {
    EXPECT_EQ(Status::addedElsewhere("/a"), Status::addedElsewhere("/a"));
    EXPECT_NE(Status::addedElsewhere("/a"), Status::addedElsewhere("/b"));
    EXPECT_NE(Status::addedElsewhere(""), Status::notAdded());
    EXPECT_EQ(Status::added(), (Status{Status::Kind::added, "ignored"}));
}

// ---- Add and remove ----------------------------------------------------------------------

TEST_F(AgentHome, AddKeepsEveryOtherMemberAsParsed) {
    put(".gemini/settings.json",
        "{\"z\": [1, 2.5, -3e-7, null, true, {\"k\": \"v/w\"}], \"a\": \"caf\xc3\xa9\",\n"
        " \"mcpServers\": {\"other\": {\"command\": \"/bin/o\", \"env\": {\"A\": \"1\"}},\n"
        " \"morvanex\": {\"command\": \"/old\", \"extra\": 1}}, \"big\": 9007199254740993}");
    EXPECT_FALSE(client("gemini-cli").add());
    EXPECT_EQ(get(".gemini/settings.json"), QByteArray("{\n"
                                                       "  \"a\" : \"caf\xc3\xa9\",\n"
                                                       "  \"big\" : 9007199254740993,\n"
                                                       "  \"mcpServers\" : {\n"
                                                       "    \"morvanex\" : {\n"
                                                       "      \"args\" : [\n"
                                                       "        \"--mcp\"\n"
                                                       "      ],\n"
                                                       "      \"command\" : \"/usr/bin/morvanex\"\n"
                                                       "    },\n"
                                                       "    \"other\" : {\n"
                                                       "      \"command\" : \"/bin/o\",\n"
                                                       "      \"env\" : {\n"
                                                       "        \"A\" : \"1\"\n"
                                                       "      }\n"
                                                       "    }\n"
                                                       "  },\n"
                                                       "  \"z\" : [\n"
                                                       "    1,\n"
                                                       "    2.5,\n"
                                                       "    -3e-07,\n"
                                                       "    null,\n"
                                                       "    true,\n"
                                                       "    {\n"
                                                       "      \"k\" : \"v/w\"\n"
                                                       "    }\n"
                                                       "  ]\n"
                                                       "}\n"));
}

TEST_F(AgentHome, RemoveDeletesOnlyTheEntryAndLeavesTheKey) {
    put(".codeium/windsurf/mcp_config.json",
        "{\"mcpServers\": {\"morvanex\": {\"command\": \"/x\"}, \"o\": {}}}");
    EXPECT_FALSE(client("windsurf").remove());
    EXPECT_EQ(get(".codeium/windsurf/mcp_config.json"),
              QByteArray("{\n  \"mcpServers\" : {\n    \"o\" : {}\n  }\n}\n"));
    EXPECT_FALSE(client("windsurf").remove());
    EXPECT_EQ(get(".codeium/windsurf/mcp_config.json"),
              QByteArray("{\n  \"mcpServers\" : {\n    \"o\" : {}\n  }\n}\n"));
}

TEST_F(AgentHome, RemoveCreatesAMissingFileWithAnEmptyServersObject) {
    EXPECT_FALSE(client("vscode").remove());
    EXPECT_EQ(get(".config/Code/User/mcp.json"), QByteArray("{\n  \"servers\" : {}\n}\n"));
    EXPECT_FALSE(get(".config/Code/User/mcp.json.morvanex-backup"));
    // A missing TOML file is created empty.
    EXPECT_FALSE(client("codex").remove());
    EXPECT_EQ(get(".codex/config.toml"), QByteArray(""));
}

TEST_F(AgentHome, TomlEntryForAnOddPathReadsBackAsAdded) {
    const QString odd = QStringLiteral("/opt/my \"apps\"\\v2/morvanex");
    makeDir(".codex");
    put(".codex/config.toml", "a = 1\n");
    EXPECT_FALSE(client("codex", odd).add());
    EXPECT_EQ(get(".codex/config.toml"), QByteArray("a = 1\n\n[mcp_servers.morvanex]\n"
                                                    "command = \"/opt/my \\\"apps\\\"\\\\v2/"
                                                    "morvanex\"\n"
                                                    "args = [\"--mcp\"]\n"));
    EXPECT_EQ(client("codex", odd).status(), Status::added());
    EXPECT_EQ(client("codex").status(), Status::addedElsewhere(odd));
}

TEST_F(AgentHome, TomlKeepsAByteOrderMark) {
    const QByteArray original = "\xef\xbb\xbf"
                                "a = 1\n";
    put(".codex/config.toml", original);
    EXPECT_FALSE(client("codex").add());
    EXPECT_TRUE(get(".codex/config.toml")->startsWith(original + "\n[mcp_servers.morvanex]\n"));
    EXPECT_EQ(client("codex").status(), Status::added());
    EXPECT_FALSE(client("codex").remove());
    EXPECT_EQ(get(".codex/config.toml"), original);
}

// ---- Edits that must keep everything but the entry ---------------------------------------

enum class Edit { add, remove };

struct EditRow {
    const char* name;
    QByteArray before;
    Edit edit;
    std::optional<QByteArray> after; // the whole file afterwards; nullopt: refused
    QString refusal;                 // the refusal's sentence
};

void PrintTo(const EditRow& row, std::ostream* os) {
    *os << row.name;
}

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

// A refused edit leaves the file byte-identical and makes no backup; an edit that goes ahead
// writes exactly `after`, backs up the original and reads back as the operation's status.
class AgentEditTable : public AgentHome, public testing::WithParamInterface<EditRow> {
protected:
    void check(const QString& id, const QString& file) {
        const EditRow& row = GetParam();
        put(file, row.before);
        const AgentClient target = client(id);
        const auto error = row.edit == Edit::add ? target.add() : target.remove();
        if (!row.after) {
            ASSERT_TRUE(error) << get(file)->toStdString();
            EXPECT_EQ(error->localizedDescription(), row.refusal);
            EXPECT_EQ(get(file), row.before);
            EXPECT_FALSE(get(file + ".morvanex-backup"));
            return;
        }
        ASSERT_FALSE(error) << error->localizedDescription().toStdString();
        EXPECT_EQ(get(file), *row.after);
        EXPECT_EQ(get(file + ".morvanex-backup"), row.before);
        EXPECT_EQ(target.status(), row.edit == Edit::add ? Status::added() : Status::notAdded());
    }
};

class AgentJsonEditTable : public AgentEditTable {};

TEST_P(AgentJsonEditTable, ChangesNothingButTheEntry) {
    check("cursor", ".cursor/mcp.json");
}

const QString plainJson = "Cursor's config file couldn't be read as plain JSON (it may contain "
                          "comments), so Morvanex left it alone. Use the snippet below instead.";
const QString serversNotObject = "Cursor's config file keeps \"mcpServers\" as something other "
                                 "than an object, so Morvanex left it alone.";
const QString inexact = "Cursor's config file holds a value that Morvanex can't rewrite exactly "
                        "(a very long number, a repeated key or a broken character escape), so "
                        "Morvanex left it alone.";

const QByteArray jsonEntryOnly = "{\n"
                                 "  \"mcpServers\" : {\n"
                                 "    \"morvanex\" : {\n"
                                 "      \"args\" : [\n"
                                 "        \"--mcp\"\n"
                                 "      ],\n"
                                 "      \"command\" : \"/usr/bin/morvanex\"\n"
                                 "    }\n"
                                 "  }\n"
                                 "}\n";

INSTANTIATE_TEST_SUITE_P(
    Files, AgentJsonEditTable,
    testing::Values(
        EditRow{"ServersListIsKept", "{\"mcpServers\": [\"keep-me\"]}", Edit::add, std::nullopt,
                serversNotObject},
        EditRow{"ServersTextIsKept", "{\"mcpServers\": \"keep-me\"}", Edit::remove, std::nullopt,
                serversNotObject},
        EditRow{"ServersNullIsKept", "{\"mcpServers\": null}", Edit::add, std::nullopt,
                serversNotObject},
        EditRow{"IntegerBeyondDoubles", "{\"n\": 123456789012345678901, \"mcpServers\": {}}",
                Edit::add, std::nullopt, inexact},
        EditRow{"DecimalBeyondDoubles", "{\"x\": 0.1000000000000000000001}", Edit::remove,
                std::nullopt, inexact},
        EditRow{"WholeNumberPastTwoToThe53", "{\"x\": 9007199254740993.0}", Edit::add, std::nullopt,
                inexact},
        EditRow{"LoneHighSurrogate", "{\"a\": \"\\ud800\"}", Edit::add, std::nullopt, inexact},
        EditRow{"SurrogatesInTheWrongOrder", "{\"a\": [\"\\udc00\\ud800\"]}", Edit::remove,
                std::nullopt, inexact},
        EditRow{"RepeatedKey", "{\"a\": 1, \"mcpServers\": {}, \"a\": 2}", Edit::add, std::nullopt,
                inexact},
        EditRow{"RepeatedKeyInsideAnotherServer",
                "{\"mcpServers\": {\"o\": {\"env\": {\"A\": \"1\", \"A\": \"2\"}}}}", Edit::add,
                std::nullopt, inexact},
        EditRow{"RawNulInAString", bytes(std::string_view("{\"a\": \"x\0y\"}", 12)), Edit::add,
                std::nullopt, plainJson},
        EditRow{"RawTabInAString", "{\"a\": \"x\ty\"}", Edit::remove, std::nullopt, plainJson},
        EditRow{"ExactValuesAreCarriedOver",
                "{\"n\": [1.0, 1e2, -0, 2.50, 1E-7, 9007199254740993, -9223372036854775808, "
                "1.7976931348623157e308], \"s\": \"\\u00e9\\ud83d\\ude00\\/\\u0000\", "
                "\"mcpServers\": {\"o\": {}}}",
                Edit::add,
                "{\n"
                "  \"mcpServers\" : {\n"
                "    \"morvanex\" : {\n"
                "      \"args\" : [\n"
                "        \"--mcp\"\n"
                "      ],\n"
                "      \"command\" : \"/usr/bin/morvanex\"\n"
                "    },\n"
                "    \"o\" : {}\n"
                "  },\n"
                "  \"n\" : [\n"
                "    1,\n"
                "    100,\n"
                "    0,\n"
                "    2.5,\n"
                "    1e-07,\n"
                "    9007199254740993,\n"
                "    -9223372036854775808,\n"
                "    1.7976931348623157e+308\n"
                "  ],\n"
                "  \"s\" : \"\xc3\xa9\xf0\x9f\x98\x80/\\u0000\"\n"
                "}\n",
                {}},
        EditRow{"RepeatedEntryIsReplacedWhole",
                "{\"mcpServers\": {\"morvanex\": 1, \"morvanex\": {\"command\": \"/x\"}}}",
                Edit::add,
                jsonEntryOnly,
                {}},
        EditRow{"RemovingKeepsTheOtherServers",
                "{\"mcpServers\": {\"morvanex\": {\"command\": \"/x\"}, \"o\": {\"n\": 1.5}}}",
                Edit::remove,
                "{\n  \"mcpServers\" : {\n    \"o\" : {\n      \"n\" : 1.5\n    }\n  }\n}\n",
                {}}),
    [](const auto& instance) { return std::string(instance.param.name); });

class AgentTomlEditTable : public AgentEditTable {};

TEST_P(AgentTomlEditTable, ChangesNothingButTheEntry) {
    check("codex", ".codex/config.toml");
}

const QString notToml = "Codex CLI's config file couldn't be read as TOML, so Morvanex left it "
                        "alone.";
const QString entryForm = "Codex CLI's config file holds the morvanex entry in a form Morvanex "
                          "can't edit (only a [mcp_servers.morvanex] table on its own), so "
                          "Morvanex left it alone.";
const QString otherSettings = "Codex CLI's config file is laid out so that editing the morvanex "
                              "entry would also change other settings, so Morvanex left it alone.";

const QByteArray tomlSection = "[mcp_servers.morvanex]\n"
                               "command = \"/usr/bin/morvanex\"\n"
                               "args = [\"--mcp\"]\n";
const QByteArray tomlOld = "[mcp_servers.morvanex]\ncommand = \"/old\"\n";

INSTANTIATE_TEST_SUITE_P(
    Files, AgentTomlEditTable,
    testing::Values(
        EditRow{"IndentedTableAfterTheEntry",
                tomlOld + "  [mcp_servers.other]\n  command = \"/o\"\n", Edit::add, std::nullopt,
                otherSettings},
        EditRow{"IndentedTableAfterTheEntryOnRemove",
                tomlOld + "  [mcp_servers.other]\n  command = \"/o\"\n", Edit::remove, std::nullopt,
                otherSettings},
        EditRow{"HeaderInsideABasicMultiLineString",
                "notes = \"\"\"\n[mcp_servers.morvanex]\n\"\"\"\n", Edit::remove, std::nullopt,
                otherSettings},
        EditRow{"HeaderInsideALiteralMultiLineStringBeforeTheEntry",
                "notes = '''\n[mcp_servers.morvanex]\n'''\n" + tomlOld, Edit::add, std::nullopt,
                otherSettings},
        EditRow{"HeaderWithSpaces", "[ mcp_servers.morvanex ]\ncommand = \"/old\"\n", Edit::add,
                std::nullopt, entryForm},
        EditRow{"HeaderWithAQuotedKey", "[mcp_servers.\"morvanex\"]\ncommand = \"/old\"\n",
                Edit::remove, std::nullopt, entryForm},
        EditRow{"InlineTable", "mcp_servers = { morvanex = { command = \"/old\" } }\n", Edit::add,
                std::nullopt, entryForm},
        EditRow{"DottedKeys", "mcp_servers.morvanex.command = \"/old\"\n", Edit::add, std::nullopt,
                entryForm},
        EditRow{"DottedKeysInTheServersTable", "[mcp_servers]\nmorvanex.command = \"/old\"\n",
                Edit::remove, std::nullopt, entryForm},
        EditRow{"BracketLineInTheEntrysArray", tomlOld + "args = [\n[\"--mcp\"],\n]\n",
                Edit::remove, std::nullopt, otherSettings},
        EditRow{"BracketLineInTheEntrysString", tomlOld + "note = \"\"\"\n[kept]\n\"\"\"\n",
                Edit::add, std::nullopt, otherSettings},
        EditRow{"SubTableWouldBeLeftBehind", tomlOld + "\n[mcp_servers.morvanex.env]\nA = \"1\"\n",
                Edit::remove, std::nullopt, entryForm},
        EditRow{"ServersNotATable", "mcp_servers = 5\n", Edit::add, std::nullopt, otherSettings},
        EditRow{"NotToml", "a = \n", Edit::add, std::nullopt, notToml},
        EditRow{"EntryDefinedTwice", tomlOld + tomlOld, Edit::remove, std::nullopt, notToml},
        EditRow{"SubTableStaysWithTheNewEntry",
                tomlOld + "\n[mcp_servers.morvanex.env]\nA = \"1\"\n",
                Edit::add,
                "[mcp_servers.morvanex.env]\nA = \"1\"\n\n" + tomlSection,
                {}},
        EditRow{"ServersNotATableWithoutEntry",
                "mcp_servers = 5\n",
                Edit::remove,
                "mcp_servers = 5\n",
                {}},
        EditRow{"OtherServerAndNotANumber",
                "x = nan\n[mcp_servers.other]\ncommand = \"/o\"\n",
                Edit::add,
                "x = nan\n[mcp_servers.other]\ncommand = \"/o\"\n\n" + tomlSection,
                {}},
        EditRow{"EntryBeforeAnotherServer",
                "[mcp_servers.morvanex] # ours\ncommand = \"/old\"\n\n[mcp_servers.other]\n"
                "command = \"/o\"\n",
                Edit::remove,
                "[mcp_servers.other]\ncommand = \"/o\"\n",
                {}}),
    [](const auto& instance) { return std::string(instance.param.name); });

// A link that leads back to itself cannot be read; replacing it with a file would lose it.
TEST_F(AgentHome, LinkLoopIsRefusedAndKept) {
    struct Case {
        const char* id;
        const char* file;
        const char* message;
    };
    for (const Case& c :
         {Case{"cursor", ".cursor/mcp.json",
               "Couldn't read Cursor's config file, so Morvanex left it alone."},
          Case{"codex", ".codex/config.toml",
               "Couldn't read Codex CLI's config file, so Morvanex left it alone."}}) {
        SCOPED_TRACE(c.id);
        const QString file = at(c.file);
        makeDir(QFileInfo(c.file).path());
        ASSERT_TRUE(QFile::link(QFileInfo(file).fileName(), file));
        for (const bool adding : {true, false}) {
            const auto error = adding ? client(c.id).add() : client(c.id).remove();
            ASSERT_TRUE(error);
            EXPECT_EQ(error->localizedDescription(), c.message);
            EXPECT_TRUE(QFileInfo(file).isSymLink());
            EXPECT_FALSE(QFileInfo::exists(file + ".morvanex-backup"));
        }
        EXPECT_EQ(client(c.id).status(), Status::notAdded());
    }
}

TEST_F(AgentHome, CommandApplicationsExplainWhatToRunInstead) {
    const auto added = client("claude-code").add();
    ASSERT_TRUE(added);
    EXPECT_EQ(added->localizedDescription(),
              "Claude Code is set up with a command; copy it and run it in a terminal.");
    const auto removed = client("claude-code").remove();
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->localizedDescription(),
              "Run `claude mcp remove morvanex --scope user` in a terminal.");
    EXPECT_TRUE(QDir(home).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

struct FailureRow {
    const char* name;
    const char* id;
    const char* file; // written before, must be byte-identical after
    QByteArray content;
    const char* message; // the whole message, or its start when it ends with "..."
};

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentFailureTable : public AgentHome, public testing::WithParamInterface<FailureRow> {};

TEST_P(AgentFailureTable, AddAndRemoveFailWithOneSentenceAndLeaveTheFileAlone) {
    const FailureRow& row = GetParam();
    put(row.file, row.content);
    for (const bool adding : {true, false}) {
        SCOPED_TRACE(adding ? "add" : "remove");
        const AgentClient target = client(row.id);
        const auto error = adding ? target.add() : target.remove();
        ASSERT_TRUE(error);
        const QString text = error->localizedDescription();
        QString expected = QString::fromUtf8(row.message);
        if (expected.endsWith("...")) {
            expected.chop(3);
            EXPECT_TRUE(text.startsWith(expected)) << text.toStdString();
            EXPECT_TRUE(text.endsWith('.')) << text.toStdString();
        } else {
            EXPECT_EQ(text, expected);
        }
        EXPECT_FALSE(text.contains('\n'));
        EXPECT_EQ(get(row.file), row.content);
    }
    QDirIterator entries(home, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext())
        EXPECT_FALSE(entries.next().endsWith(".morvanex-backup"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, AgentFailureTable,
    testing::Values(
        FailureRow{"JsonNotUtf8", "cursor", ".cursor/mcp.json", "{\"a\": \"\xff\"}",
                   "Couldn't read Cursor's config file, so Morvanex left it alone."},
        FailureRow{"TomlNotUtf8", "codex", ".codex/config.toml", "a = \"\xed\xa0\x80\"\n",
                   "Couldn't read Codex CLI's config file, so Morvanex left it alone."},
        FailureRow{"JsonWithComments", "claude-desktop",
                   ".config/Claude/claude_desktop_config.json",
                   "{\n  // mine\n  \"mcpServers\": {}\n}\n",
                   "Claude Desktop's config file couldn't be read as plain JSON (it may contain "
                   "comments), so Morvanex left it alone. Use the snippet below instead."},
        FailureRow{"JsonTrailingComma", "vscode", ".config/Code/User/mcp.json",
                   "{\"servers\": {},}",
                   "VS Code's config file couldn't be read as plain JSON (it may contain "
                   "comments), so Morvanex left it alone. Use the snippet below instead."},
        FailureRow{"JsonTopLevelNotObject", "windsurf", ".codeium/windsurf/mcp_config.json",
                   "\"text\"",
                   "Windsurf's config file couldn't be read as plain JSON (it may contain "
                   "comments), so Morvanex left it alone. Use the snippet below instead."},
        FailureRow{"ConfigPathIsAFolder", "gemini-cli", ".gemini/settings.json/inner", "x",
                   "Couldn't read Gemini CLI's config file, so Morvanex left it alone."},
        FailureRow{"ParentIsAFile", "lm-studio", ".lmstudio", "not a folder",
                   "Couldn't create the folder ..."}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST_F(AgentHome, BackupIsMadeOnceFromTheOriginal) {
    const QByteArray original = "{\"theme\": \"dark\"}";
    put(".cursor/mcp.json", original);
    EXPECT_FALSE(client("cursor").add());
    EXPECT_EQ(get(".cursor/mcp.json.morvanex-backup"), original);
    EXPECT_FALSE(client("cursor").remove());
    EXPECT_FALSE(client("cursor", "/other").add());
    EXPECT_EQ(get(".cursor/mcp.json.morvanex-backup"), original);
    EXPECT_EQ(client("cursor").status(), Status::addedElsewhere("/other"));
}

// A copy cut short leaves only a temporary file under another name; the next change makes
// the backup from the original as if nothing had happened.
TEST_F(AgentHome, LeftoverTemporaryNeverCountsAsTheBackup) {
    const QByteArray original = "{\"theme\": \"dark\", \"size\": 12}";
    put(".cursor/mcp.json", original);
    put(".cursor/mcp.json.morvanex-backup.Xy12Zw", original.left(9));
    EXPECT_FALSE(client("cursor").add());
    EXPECT_EQ(get(".cursor/mcp.json.morvanex-backup"), original);
    EXPECT_EQ(get(".cursor/mcp.json.morvanex-backup.Xy12Zw"), original.left(9));
    QStringList left = QDir(at(".cursor")).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, (QStringList{"mcp.json", "mcp.json.morvanex-backup",
                                 "mcp.json.morvanex-backup.Xy12Zw"}));
}

// Settings files can hold keys and tokens, and many users keep them as links into a dotfiles
// repository: a rewrite must keep both the permissions and the link.
TEST_F(AgentHome, RewriteKeepsPermissionsAndSymbolicLinks) {
    put("dotfiles/settings.json", "{}");
    const auto privateMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(at("dotfiles/settings.json"), privateMode));
    makeDir(".gemini");
    ASSERT_TRUE(QFile::link("../dotfiles/settings.json", at(".gemini/settings.json")));

    EXPECT_FALSE(client("gemini-cli").add());
    EXPECT_TRUE(QFileInfo(at(".gemini/settings.json")).isSymLink());
    EXPECT_TRUE(get("dotfiles/settings.json")->contains("/usr/bin/morvanex"));
    const auto userBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(at("dotfiles/settings.json")) & userBits, privateMode);
    EXPECT_EQ(QFile::permissions(at(".gemini/settings.json.morvanex-backup")) & userBits,
              privateMode);
    EXPECT_EQ(get(".gemini/settings.json.morvanex-backup"), QByteArray("{}"));
    EXPECT_EQ(client("gemini-cli").status(), Status::added());
}

} // namespace
