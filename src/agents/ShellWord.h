#pragma once

#include <QString>

namespace morvanex::agents {

// `text` as one word of a POSIX shell command line: unchanged when it holds only characters
// no shell treats specially, else between single quotation marks (a single quotation mark
// inside written as '\''). The empty text gives ''.
QString shellWord(const QString& text);

} // namespace morvanex::agents
