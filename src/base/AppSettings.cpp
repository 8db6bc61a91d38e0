#include "base/AppSettings.h"

#include <utility>

namespace morvanex {

AppSettings& AppSettings::shared() {
    static AppSettings instance(platform::UserDefaults::standard());
    return instance;
}

AppSettings::AppSettings(platform::UserDefaults defaults) : defaults_(std::move(defaults)) {
    if (const auto stored = defaults_.data(storageKey)) {
        if (auto read = Config::fromJson(*stored))
            config_ = std::move(*read);
    }
}

void AppSettings::setConfig(Config config) {
    emit willChange();
    const Config old = std::exchange(config_, std::move(config));
    if (config_ == old)
        return;
    save();
    // An observer may register another or assign again (a nested pass); this pass calls the
    // observers registered when it began, each with the record held at its call.
    const std::vector<Observer> observers = observers_;
    for (const Observer& observer : observers) {
        const Config now = config_;
        observer(old, now);
    }
}

void AppSettings::save() {
    // A record that cannot be written (a non-finite number) leaves the stored entry as it was.
    if (const auto bytes = config_.toJson())
        defaults_.setValue(storageKey, *bytes);
}

} // namespace morvanex
