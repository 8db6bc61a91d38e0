#include "platform/UserDefaults.h"

#include "platform/FileKind.h"
#include "platform/Log.h"
#include "platform/XdgPaths.h"

#include <QMutex>
#include <QSet>
#include <QSettings>

namespace morvanex::platform {
namespace {

// Each warning once per process: the settings are read key by key.
void warnOnce(const QString& text) {
    static QMutex mutex;
    static QSet<QString> said;
    const QMutexLocker lock(&mutex);
    if (!said.contains(text)) {
        said.insert(text);
        qCWarning(log::platform, "%s", qUtf8Printable(text));
    }
}

// Whether the file may be read. Anything but a regular file there counts as no stored settings
// and is never opened: reading a FIFO would wait for a writer for good.
bool mayRead(const QString& path) {
    if (fileKind(path) != FileKind::other)
        return true;
    warnOnce(QStringLiteral("Ignoring the settings file %1: it is not a regular file").arg(path));
    return false;
}

// Whether the file may be written: saving reads the file first and takes a lock file beside it,
// and either would wait for good on something that is not a regular file. Such a file is left
// as it is.
bool mayWrite(const QString& path) {
    const QString irregular = firstIrregular({path, path + QStringLiteral(".lock")});
    if (irregular.isEmpty())
        return true;
    warnOnce(QStringLiteral("Not saving settings: %1 is not a regular file").arg(irregular));
    return false;
}

} // namespace

UserDefaults UserDefaults::standard() {
    return UserDefaults();
}

UserDefaults UserDefaults::inMemory() {
    UserDefaults defaults;
    defaults.memory_ = std::make_shared<QVariantMap>();
    return defaults;
}

QString UserDefaults::standardFilePath() {
    return xdg::configHome() + QStringLiteral("/Morvanex/Morvanex.conf");
}

QVariant UserDefaults::value(const QString& key) const {
    if (memory_)
        return memory_->value(key);
    const QString path = standardFilePath();
    if (!mayRead(path))
        return {};
    return QSettings(path, QSettings::IniFormat).value(key);
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return stored.toByteArray();
}

void UserDefaults::setValue(const QString& key, const QVariant& value) {
    if (memory_) {
        memory_->insert(key, value);
        return;
    }
    const QString path = standardFilePath();
    if (!mayWrite(path))
        return;
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
}

void UserDefaults::remove(const QString& key) {
    if (memory_) {
        memory_->remove(key);
        return;
    }
    const QString path = standardFilePath();
    if (!mayWrite(path))
        return;
    QSettings settings(path, QSettings::IniFormat);
    settings.remove(key);
    settings.sync();
}

} // namespace morvanex::platform
