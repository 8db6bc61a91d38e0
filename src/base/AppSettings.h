#pragma once

#include "base/Config.h"
#include "platform/UserDefaults.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace morvanex {

// The one current Config of the process. Every assignment is announced; a real change is
// saved at once and handed, old and new, to every observer.
class AppSettings : public QObject {
    Q_OBJECT
    struct Registered;
    using Registry = std::vector<std::shared_ptr<Registered>>;

public:
    using Observer = std::function<void(const Config& old, const Config& now)>;

    // Keeps one observer registered for as long as it lives. Removing it (explicitly or by
    // destroying it) takes effect at once, even in a pass that is running: the observer is not
    // called again. Safe to remove from inside the observer itself, and after the settings are
    // gone. Move-only; an empty subscription removes nothing.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept = default;
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;
        ~Subscription() { remove(); }

        void remove();
        // Still registered.
        bool isActive() const;

    private:
        friend class AppSettings;
        Subscription(std::weak_ptr<Registry> registry, std::weak_ptr<Registered> entry)
            : registry_(std::move(registry)), entry_(std::move(entry)) {}

        std::weak_ptr<Registry> registry_;
        std::weak_ptr<Registered> entry_;
    };

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

    // Appends an observer; observers are called in registration order after each real change.
    // One registered during a pass is first called by the next pass.
    [[nodiscard]] Subscription addObserver(Observer observer);
    // The same, for as long as `context` lives: a window's observer ends with the window.
    void addObserver(const QObject* context, Observer observer);

signals:
    // Sent before every assignment, equal or not.
    void willChange();

private:
    void save();

    platform::UserDefaults defaults_;
    Config config_;
    // Shared with the subscriptions, which must not outlive it in use.
    std::shared_ptr<Registry> observers_ = std::make_shared<Registry>();
};

} // namespace morvanex
