#include "ui/settings/ShortcutBindings.h"

namespace morvanex::ui::ShortcutBindings {

QString title(const HotKeyAction& action) {
    switch (action.kind) {
    case HotKeyAction::Kind::dropdown:
        return action.module == ModuleKind::combined ? QStringLiteral("Overview")
                                                     : morvanex::title(action.module);
    case HotKeyAction::Kind::keepAwake:
        return QStringLiteral("Toggle Keep Computer Awake");
    case HotKeyAction::Kind::settings:
        return QStringLiteral("Open Settings");
    }
    return {};
}

QString symbol(const HotKeyAction& action) {
    switch (action.kind) {
    case HotKeyAction::Kind::dropdown:
        return morvanex::symbol(action.module);
    case HotKeyAction::Kind::keepAwake:
        return QStringLiteral("cup.and.saucer.fill");
    case HotKeyAction::Kind::settings:
        return QStringLiteral("gearshape.fill");
    }
    return {};
}

QString titleOfId(const QString& id) {
    const auto action = HotKeyAction::fromId(id);
    return action ? title(*action) : id;
}

Assignment assign(std::map<QString, HotKey> hotKeys, const std::optional<HotKey>& key,
                  const HotKeyAction& action) {
    Assignment result;
    const QString id = action.id();
    if (key) {
        // std::map iterates in sorted identifier order, so a repeated combination always
        // gives up the same entry.
        for (auto it = hotKeys.begin(); it != hotKeys.end(); ++it) {
            if (it->first == id || !(it->second == *key))
                continue;
            result.note = hotKeyDisplayText(*key) + QStringLiteral(" moved from ") +
                          titleOfId(it->first) + QStringLiteral(" to ") + title(action) +
                          QStringLiteral(".");
            hotKeys.erase(it);
            break;
        }
        hotKeys[id] = *key;
    } else {
        hotKeys.erase(id);
    }
    result.hotKeys = std::move(hotKeys);
    return result;
}

} // namespace morvanex::ui::ShortcutBindings
