#include "support/FixtureTree.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace morvanex::test {

QString copyFixture(const QString& name) {
    const QString source = QStringLiteral(MORVANEX_FIXTURES) + QLatin1Char('/') + name;
    const QString target =
        scratchDir() + QStringLiteral("/fixture-") + QString(name).replace('/', '-');
    QDirIterator it(source, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString copy = target + file.mid(source.size());
        QDir().mkpath(QFileInfo(copy).path());
        QFile::copy(file, copy);
    }
    QDir().mkpath(target);
    return target;
}

void writeFile(const QString& root, const QString& relativePath, const QByteArray& contents) {
    const QString path = root + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

} // namespace morvanex::test
