#include "platform/UserDefaults.h"

#include "platform/XdgPaths.h"

#include <QSettings>

namespace morvanex::platform {

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
    return QSettings(standardFilePath(), QSettings::IniFormat).value(key);
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
    QSettings settings(standardFilePath(), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
}

void UserDefaults::remove(const QString& key) {
    if (memory_) {
        memory_->remove(key);
        return;
    }
    QSettings settings(standardFilePath(), QSettings::IniFormat);
    settings.remove(key);
    settings.sync();
}

} // namespace morvanex::platform
