#include "ui/kit/BoolBinding.h"

#include "ui/kit/PanelDefaults.h"

#include <QPointer>
#include <vector>

namespace morvanex::ui {

BoolBinding BoolBinding::stored(PanelDefaults& defaults, const QString& key, bool fallback) {
    QPointer<PanelDefaults> store(&defaults);
    BoolBinding binding;
    binding.get = [store, key, fallback] {
        return store ? store->boolValue(key, fallback) : fallback;
    };
    binding.set = [store, key](bool value) {
        if (store)
            store->setValue(key, value);
    };
    binding.observe = [store, key](QObject* context, std::function<void()> onChange) {
        if (!store)
            return;
        QObject::connect(store, &PanelDefaults::changed, context,
                         [key, onChange = std::move(onChange)](const QString& changed) {
                             if (changed == key)
                                 onChange();
                         });
    };
    return binding;
}

namespace {

// The shared state of a local flag: its value and who listens, each listener for as long as
// its context lives.
struct LocalFlag {
    bool value = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> listeners;
};

} // namespace

BoolBinding BoolBinding::local(bool initial) {
    auto flag = std::make_shared<LocalFlag>();
    flag->value = initial;
    BoolBinding binding;
    binding.get = [flag] { return flag->value; };
    binding.set = [flag](bool value) {
        if (flag->value == value)
            return;
        flag->value = value;
        std::erase_if(flag->listeners, [](const auto& listener) { return !listener.first; });
        const auto listeners = flag->listeners; // a listener may add another
        for (const auto& [context, onChange] : listeners)
            if (context)
                onChange();
    };
    binding.observe = [flag](QObject* context, std::function<void()> onChange) {
        flag->listeners.emplace_back(context, std::move(onChange));
    };
    return binding;
}

} // namespace morvanex::ui
