#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

namespace morvanex::platform {

// The per-user key-value store for settings and small remembered state. The standard store is
// an INI file at $XDG_CONFIG_HOME/Morvanex/Morvanex.conf (located again on every access, so a
// changed environment is followed); tests use an in-memory store instead.
class UserDefaults {
public:
    static UserDefaults standard();
    static UserDefaults inMemory();

    // The stored value, or an invalid QVariant when the key is absent.
    QVariant value(const QString& key) const;
    // The stored value when it is a byte blob; nothing for any other type.
    std::optional<QByteArray> data(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    static QString standardFilePath();

private:
    UserDefaults() = default;
    // Set for the in-memory store; copies of one store share it.
    std::shared_ptr<QVariantMap> memory_;
};

} // namespace morvanex::platform
