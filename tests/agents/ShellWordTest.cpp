#include "agents/ShellWord.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace morvanex::agents;

namespace {

struct WordRow {
    const char* name;
    QString text;
    QString word;
};

void PrintTo(const WordRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentShellWordTable : public testing::TestWithParam<WordRow> {};

TEST_P(AgentShellWordTable, QuotesOnlyWhatTheShellWouldReadSpecially) {
    EXPECT_EQ(shellWord(GetParam().text), GetParam().word);
}

// A real shell must read the word back as exactly the text it was made from.
TEST_P(AgentShellWordTable, ShellReadsTheWordBackUnchanged) {
    const QString text = GetParam().text;
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("printf '%s' ") + shellWord(text)});
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), text);
}

INSTANTIATE_TEST_SUITE_P(
    Words, AgentShellWordTable,
    testing::Values(
        WordRow{"PlainPath", "/usr/local/bin/morvanex", "/usr/local/bin/morvanex"},
        WordRow{"SafePunctuation", "/opt/a_b-c.d/e+f@g%h=i:j,k", "/opt/a_b-c.d/e+f@g%h=i:j,k"},
        WordRow{"Space", "/home/me/My Apps/morvanex", "'/home/me/My Apps/morvanex'"},
        WordRow{"Dollar", "/opt/$HOME/morvanex", "'/opt/$HOME/morvanex'"},
        WordRow{"Backtick", "/opt/`id`/morvanex", "'/opt/`id`/morvanex'"},
        WordRow{"DoubleQuoteAndBackslash", "/opt/a\"b\\c/morvanex", "'/opt/a\"b\\c/morvanex'"},
        WordRow{"SingleQuote", "/opt/it's/morvanex", "'/opt/it'\\''s/morvanex'"},
        WordRow{"GlobAndSeparator", "/opt/*;&|<>()/m", "'/opt/*;&|<>()/m'"},
        WordRow{"Tilde", "~/morvanex", "'~/morvanex'"},
        WordRow{"LineFeed", "/opt/a\nb/m", "'/opt/a\nb/m'"},
        WordRow{"NonAscii", QStringLiteral("/opt/caf\u00e9/m"),
                QStringLiteral("'/opt/caf\u00e9/m'")},
        WordRow{"Empty", "", "''"}),
    [](const auto& instance) { return std::string(instance.param.name); });

} // namespace
