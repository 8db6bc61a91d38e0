#include "base/AppSettings.h"

#include <algorithm>
#include <utility>

namespace morvanex {

struct AppSettings::Registered {
    Observer observer;
    bool removed = false;
};

AppSettings::Subscription& AppSettings::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        remove();
        registry_ = std::move(other.registry_);
        entry_ = std::move(other.entry_);
    }
    return *this;
}

void AppSettings::Subscription::remove() {
    const std::shared_ptr<Registered> entry = entry_.lock();
    const std::shared_ptr<Registry> registry = registry_.lock();
    entry_.reset();
    registry_.reset();
    if (!entry || !registry)
        return;
    // A pass that is running holds the entry (and so the observer, which may be the caller)
    // until it ends; the mark keeps it from being called again.
    entry->removed = true;
    std::erase(*registry, entry);
}

bool AppSettings::Subscription::isActive() const {
    const std::shared_ptr<Registered> entry = entry_.lock();
    return entry && !entry->removed && !registry_.expired();
}

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

AppSettings::Subscription AppSettings::addObserver(Observer observer) {
    auto entry = std::make_shared<Registered>(Registered{std::move(observer)});
    observers_->push_back(entry);
    return Subscription(observers_, entry);
}

void AppSettings::addObserver(const QObject* context, Observer observer) {
    // The connection owns the subscription: it ends, and removes the observer, when the
    // context is destroyed (or with these settings).
    auto subscription = std::make_shared<Subscription>(addObserver(std::move(observer)));
    connect(context, &QObject::destroyed, this,
            [subscription = std::move(subscription)] { subscription->remove(); });
}

void AppSettings::setConfig(Config config) {
    emit willChange();
    const Config old = std::exchange(config_, std::move(config));
    if (config_ == old)
        return;
    save();
    // An observer may register another or assign again (a nested pass); this pass calls the
    // observers registered when it began that are still registered, each with the record held
    // at its call.
    const Registry observers = *observers_;
    for (const std::shared_ptr<Registered>& entry : observers) {
        if (entry->removed)
            continue;
        const Config now = config_;
        entry->observer(old, now);
    }
}

void AppSettings::save() {
    // A record that cannot be written (a non-finite number) leaves the stored entry as it was.
    if (const auto bytes = config_.toJson())
        defaults_.setValue(storageKey, *bytes);
}

} // namespace morvanex
