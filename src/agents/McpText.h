#pragma once

#include <QByteArray>
#include <QString>

// Text from the machine on its way into an answer. Names of processes, volumes, networks and
// sensors arrive as whatever bytes the system holds; an answer must still be valid UTF-8.
namespace morvanex::mcp {

// The text with every unpaired surrogate replaced by U+FFFD, so that encoding it as UTF-8
// keeps a visible mark instead of dropping or guessing the character.
QString text(const QString& value);

// UTF-8 bytes decoded with replacement characters for invalid sequences.
QString decoded(const QByteArray& bytes);

} // namespace morvanex::mcp
