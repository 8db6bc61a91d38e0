#include "base/ShownText.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

TEST(ShownText, LongStoredTextIsCutWithAnEllipsisAndNeverHalfACharacter) {
    const QString face = QString::fromUtf8("\xf0\x9f\x98\x80"); // one character, two units
    struct Row {
        const char* name;
        QString text;
        qsizetype limit;
        QString shown;
    };
    const Row rows[] = {
        {"empty", QString(), 4, QString()},
        {"shorter", QStringLiteral("abc"), 4, QStringLiteral("abc")},
        {"exactly the limit", QStringLiteral("abcd"), 4, QStringLiteral("abcd")},
        {"one over", QStringLiteral("abcde"), 4, QStringLiteral("abcd…")},
        {"a pair across the cut", QStringLiteral("abc") + face + u'x', 4, QStringLiteral("abc…")},
        {"a pair before the cut", QStringLiteral("ab") + face + u'x', 4,
         QStringLiteral("ab") + face + u'…'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(shownText(row.text, row.limit), row.shown);
    }
    // Ten megabytes of stored text become what a view can lay out.
    const QString huge(10 << 20, u'a');
    EXPECT_EQ(shownText(huge), QString(shownTextLimit, u'a') + u'…');
}

} // namespace
