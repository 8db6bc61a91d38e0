#pragma once

#include <QByteArray>
#include <QString>

namespace morvanex::test {

// Copies tests/fixtures/<name> into the test's scratch folder and returns the copy's path, so a
// test can change files between samples without touching the checked-in fixture.
QString copyFixture(const QString& name);

// Writes (or replaces) one file below `root`, creating its folders.
void writeFile(const QString& root, const QString& relativePath, const QByteArray& contents);

} // namespace morvanex::test
