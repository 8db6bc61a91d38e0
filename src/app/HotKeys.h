#pragma once

#include "base/SettingsEnums.h"
#include "base/SettingsRecords.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace morvanex {

// What a global shortcut does: open a module's dropdown, toggle keep-awake, open settings.
struct HotKeyAction {
    enum class Kind { dropdown, keepAwake, settings };

    Kind kind = Kind::settings;
    ModuleKind module = ModuleKind::combined; // only for dropdown

    static HotKeyAction dropdown(ModuleKind module) { return {Kind::dropdown, module}; }
    static HotKeyAction keepAwake() { return {Kind::keepAwake, ModuleKind::combined}; }
    static HotKeyAction settings() { return {Kind::settings, ModuleKind::combined}; }

    // The key in Config.hotKeys: "dropdown.cpu", "keepAwake", "settings".
    QString id() const;
    static std::optional<HotKeyAction> fromId(const QString& id);
    // Every module's dropdown in module order, then keep-awake, then settings.
    static std::vector<HotKeyAction> all();

    bool operator==(const HotKeyAction& other) const {
        return kind == other.kind && (kind != Kind::dropdown || module == other.module);
    }
};

// One key-down as the shortcut recorder sees it.
struct KeyPress {
    std::uint32_t keyCode = 0; // virtual key code of the physical key
    bool control = false;
    bool option = false;
    bool shift = false;
    bool command = false;
    QString charactersIgnoringModifiers;
};

// The shortcut a key press makes, or nothing when it needs control, option or command and has
// none, or when the key has no name.
std::optional<HotKey> hotKeyFromKeyPress(const KeyPress& press);

// The text a person reads for a shortcut, as Linux desktops write them: the modifiers held, in
// the order Ctrl, Alt, Shift, Super, then the key, joined by "+" ("Ctrl+Alt+Super+C",
// "Super+Space", "Ctrl+F5"). The stored label keeps the other system's marks (⌃⌥⇧⌘ and key
// symbols such as ↩); only its key part is read here, the modifiers come from the mask.
QString hotKeyDisplayText(const HotKey& key);

// Registers the configured shortcuts with the system and turns their presses into actions.
class HotKeyCenter {
public:
    // The system side: grab a combination under a registration number (false when refused),
    // release one. `pressed` is the center's entry for presses of grabbed numbers.
    struct Registrar {
        std::function<bool(std::uint32_t number, const HotKey& key)> grab;
        std::function<void(std::uint32_t number)> ungrab;
    };
    // Makes the registrar once, on the first registration; nothing when the session offers
    // no way to grab keys (then every registration is refused).
    using Connect = std::function<std::optional<Registrar>(HotKeyCenter& center)>;

    static HotKeyCenter& shared(); // grabs through X11
    explicit HotKeyCenter(Connect connect);
    // Grabs on the X display of $DISPLAY; nothing under Wayland or without a display.
    static Connect x11();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    void registerAll();
    void unregisterAll();

    // A grabbed combination was pressed: the action runs later on the main thread.
    void pressed(std::uint32_t number);

    std::function<void(const HotKeyAction&)> onTrigger;
    std::set<QString> failed;
    std::map<std::uint32_t, HotKeyAction> registered;
    std::map<QString, HotKey> current;
    bool suspended = false;

private:
    Connect connect_;
    bool connected_ = false;
    std::optional<Registrar> registrar_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace morvanex
