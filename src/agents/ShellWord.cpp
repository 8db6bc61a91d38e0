#include "agents/ShellWord.h"

#include <algorithm>

namespace morvanex::agents {
namespace {

// Letters, digits and the punctuation no shell expands, splits or redirects on. Everything
// else (space, quotation marks, "$", "`", "\", "*", "~", "&", ";", line ends, non-ASCII...)
// could change what the pasted command runs, so it is quoted.
bool isSafe(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9'))
        return true;
    return QStringView(u"_@%+=:,./-").contains(c);
}

} // namespace

QString shellWord(const QString& text) {
    if (!text.isEmpty() && std::all_of(text.begin(), text.end(), isSafe))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace morvanex::agents
