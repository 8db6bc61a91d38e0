#include "agents/TomlSection.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace morvanex::agents;

namespace {

const QString section = QStringLiteral("[mcp_servers.morvanex]\n"
                                       "command = \"/usr/bin/morvanex\"\n"
                                       "args = [\"--mcp\"]\n");

// The section as the text it covers, or "none".
QString sectionText(const QString& text) {
    const auto range = tomlSection(text);
    return range ? text.mid(range->start, range->end - range->start) : QStringLiteral("none");
}

struct SectionRow {
    const char* name;
    QString text;
    QString section;
};

void PrintTo(const SectionRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentTomlSectionTable : public testing::TestWithParam<SectionRow> {};

TEST_P(AgentTomlSectionTable, FindsTheSectionByItsHeaderLine) {
    EXPECT_EQ(sectionText(GetParam().text), GetParam().section);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AgentTomlSectionTable,
    testing::Values(
        SectionRow{"Empty", "", "none"}, SectionRow{"NoHeader", "a = 1\n[other]\n", "none"},
        SectionRow{"WholeText", section, section},
        SectionRow{"RunsToTheNextHeader", "a = 1\n" + section + "# note\n\n[other]\nb = 2\n",
                   section + "# note\n\n"},
        SectionRow{"HeaderRightAfterHeader", "[mcp_servers.morvanex]\n[x]\n",
                   "[mcp_servers.morvanex]\n"},
        SectionRow{"IndentedBracketDoesNotEndIt", section + "  [x]\nc = 3\n",
                   section + "  [x]\nc = 3\n"},
        SectionRow{"NoLineEndAtTheEnd", "a = 1\n[mcp_servers.morvanex]", "[mcp_servers.morvanex]"},
        SectionRow{"IndentedHeaderFromItsLineStart", "a = 1\n  [mcp_servers.morvanex]\nx = 1\n",
                   "  [mcp_servers.morvanex]\nx = 1\n"},
        SectionRow{"HeaderQuotedInACommentIsNotTheSection",
                   "# add [mcp_servers.morvanex] below\na = 1\n", "none"},
        SectionRow{"HeaderQuotedInACommentBeforeTheRealOne",
                   "# see [mcp_servers.morvanex]\n" + section + "[z]\n", section},
        SectionRow{"HeaderInAValueIsNotTheSection", "a = \"[mcp_servers.morvanex]\"\n", "none"},
        SectionRow{"SubTableIsNotTheSection", "[mcp_servers.morvanex.env]\nA = \"1\"\n", "none"},
        SectionRow{"CaseMatters", "[MCP_servers.morvanex]\n", "none"},
        SectionRow{"WindowsLineEnds", "a = 1\r\n[mcp_servers.morvanex]\r\nx = 1\r\n[y]\r\n",
                   "[mcp_servers.morvanex]\r\nx = 1\r\n"}),
    [](const auto& instance) { return std::string(instance.param.name); });

struct UpdateRow {
    const char* name;
    QString before;
    QString added;   // after updatedToml(before, true, ...)
    QString removed; // after updatedToml(before, false, ...)
};

void PrintTo(const UpdateRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentTomlUpdateTable : public testing::TestWithParam<UpdateRow> {};

TEST_P(AgentTomlUpdateTable, AddsAsTheLastSectionAndRemovesCleanly) {
    const UpdateRow& row = GetParam();
    const QString exe = QStringLiteral("/usr/bin/morvanex");
    EXPECT_EQ(updatedToml(row.before, true, exe), row.added);
    EXPECT_EQ(updatedToml(row.before, false, exe), row.removed);
    // Adding again keeps one section, and removing leaves none.
    const QString addedTwice = updatedToml(row.added, true, exe);
    EXPECT_TRUE(tomlSection(addedTwice));
    EXPECT_FALSE(tomlSection(updatedToml(addedTwice, false, exe)));
    EXPECT_FALSE(tomlSection(updatedToml(row.added, false, exe)));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AgentTomlUpdateTable,
    testing::Values(
        UpdateRow{"Empty", "", section, ""},
        UpdateRow{"OneLine", "a = 1\n", "a = 1\n\n" + section, "a = 1\n"},
        UpdateRow{"OneLineWithoutLineEnd", "a = 1", "a = 1\n\n" + section, "a = 1"},
        UpdateRow{"TrailingBlankLinesKept", "a = 1\n\n\n", "a = 1\n\n\n" + section, "a = 1\n\n\n"},
        UpdateRow{"OldEntryReplacedAtTheEnd",
                  "a = 1\n\n[mcp_servers.morvanex]\ncommand = \"/old\"\n\n[b]\nc = 2\n",
                  "a = 1\n\n[b]\nc = 2\n\n" + section, "a = 1\n\n[b]\nc = 2\n"},
        UpdateRow{"LastSectionRemovedWithItsBlankLine",
                  "a = 1\n\n[mcp_servers.morvanex]\ncommand = \"/old\"\n", "a = 1\n\n" + section,
                  "a = 1\n"},
        UpdateRow{"OnlyTheSection", "[mcp_servers.morvanex]\ncommand = \"/old\"\n", section, ""},
        UpdateRow{"CommentQuotingTheHeaderStays", "# [mcp_servers.morvanex]\n",
                  "# [mcp_servers.morvanex]\n\n" + section, "# [mcp_servers.morvanex]\n"},
        UpdateRow{"WindowsLineEnds", "a = 1\r\n\r\n[mcp_servers.morvanex]\r\nx = 1\r\n",
                  "a = 1\r\n\n" + section, "a = 1\r\n"}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST(AgentTomlUpdate, AddThenRemoveGivesBackTheFileByteForByte) {
    const QString file = QStringLiteral("# Settings\nmodel = \"o3\"  # inline\n\n[profiles.fast]\n"
                                        "  model = \"mini\"\n\n[mcp_servers.other]\n"
                                        "command = \"/bin/other\"\n");
    const QString added = updatedToml(file, true, QStringLiteral("/usr/bin/morvanex"));
    EXPECT_EQ(added, file + "\n" + section);
    EXPECT_EQ(updatedToml(added, false, QStringLiteral("/usr/bin/morvanex")), file);
}

struct CommandRow {
    const char* name;
    QString section;
    QString command;
};

void PrintTo(const CommandRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentTomlCommandTable : public testing::TestWithParam<CommandRow> {};

TEST_P(AgentTomlCommandTable, ReadsTheFirstCommandLine) {
    EXPECT_EQ(tomlCommand(GetParam().section), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, AgentTomlCommandTable,
    testing::Values(
        CommandRow{"Plain", section, "/usr/bin/morvanex"},
        CommandRow{"IndentedWithTab", "[h]\n\t command=\"/a\"\n", "/a"},
        CommandRow{"FirstOfTwo", "[h]\ncommand = \"/a\"\ncommand = \"/b\"\n", "/a"},
        CommandRow{"NoCommandLine", "[h]\nargs = [\"--mcp\"]\n", ""},
        CommandRow{"NoQuotationMark", "[h]\ncommand = '/a'\n", ""},
        CommandRow{"UnclosedRunsToLineEnd", "[h]\ncommand = \"/a b\nargs = 1\n", "/a b"},
        CommandRow{"CommentedOutIsNotTheCommand", "[h]\n# command = \"/x\"\ncommand = \"/a\"\n",
                   "/a"},
        CommandRow{"EscapesDecoded", "[h]\ncommand = \"/a\\\"b\\\\c\\td\\u00e9\\U0001F600\"\n",
                   QStringLiteral("/a\"b\\c\td\u00e9") + QString::fromUcs4(U"\U0001F600", 1)},
        CommandRow{"UnknownEscapeKept", "[h]\ncommand = \"/a\\qb\\u12\"\n", "/a\\qb\\u12"},
        CommandRow{"WindowsLineEnd", "[h]\r\ncommand = \"/a\r\n", "/a"}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST(AgentTomlBasicString, EscapesWhatWouldEndOrBreakTheString) {
    EXPECT_EQ(tomlBasicString("/usr/bin/morvanex"), "\"/usr/bin/morvanex\"");
    EXPECT_EQ(tomlBasicString("/a \"b\" \\c"), "\"/a \\\"b\\\" \\\\c\"");
    EXPECT_EQ(tomlBasicString(QStringLiteral("/a\tb\nc\rd\x01\x7f") + QChar(u'\u00e9')),
              QStringLiteral("\"/a\\tb\\nc\\rd\\u0001\\u007F\u00e9\""));
}

// Whatever the path, the section written for it reads back as that path.
TEST(AgentTomlBasicString, ReadsBackThroughTheSection) {
    const QStringList paths = {"/opt/my apps/morvanex",
                               "/opt/a\"b/morvanex",
                               "/opt/a\\b/morvanex",
                               "/opt/\\\"\\\\/m",
                               QStringLiteral("/opt/caf\u00e9\n/m"),
                               "/opt/x\\u0041/m"};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const QString text = updatedToml(QStringLiteral("a = 1\n"), true, path);
        EXPECT_EQ(tomlCommand(sectionText(text)), path);
    }
}

} // namespace
