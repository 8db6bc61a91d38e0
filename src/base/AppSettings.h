#pragma once

#include "base/Config.h"
#include "platform/UserDefaults.h"

#include <QObject>
#include <functional>
#include <vector>

namespace morvanex {

// The one current Config of the process. Every assignment is announced; a real change is
// saved at once and handed, old and new, to every observer.
class AppSettings : public QObject {
    Q_OBJECT
public:
    using Observer = std::function<void(const Config& old, const Config& now)>;

    static inline const QString storageKey = QStringLiteral("MorvanexConfig.v1");

    // The process-wide instance over the standard user defaults, made on first use.
    static AppSettings& shared();

    // Loads from `defaults`; nothing is written until the first real change.
    explicit AppSettings(platform::UserDefaults defaults);

    const Config& config() const { return config_; }
    void setConfig(Config config);
    // One read-modify-write of the whole record.
    template <typename Edit> void update(Edit&& edit) {
        Config changed = config_;
        edit(changed);
        setConfig(std::move(changed));
    }

    // Observers are called in registration order; there is no removal.
    void addObserver(Observer observer) { observers_.push_back(std::move(observer)); }

signals:
    // Sent before every assignment, equal or not.
    void willChange();

private:
    void save();

    platform::UserDefaults defaults_;
    Config config_;
    std::vector<Observer> observers_;
};

} // namespace morvanex
