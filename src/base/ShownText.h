#pragma once

#include <QString>

namespace morvanex {

// The most characters of a stored text that a view lays out. Settings are text anyone can
// write, and laying out megabytes of it stalls every view that shows it; no name, host or label
// a person reads is longer.
inline constexpr qsizetype shownTextLimit = 256;

// `text` as a view shows it: whole when it has at most `limit` characters, else its first
// `limit` characters (never half of a surrogate pair) followed by "…".
QString shownText(const QString& text, qsizetype limit = shownTextLimit);

} // namespace morvanex
