#include "app/HotKeys.h"

#include "platform/MainQueue.h"
#include "platform/linux/X11KeyGrabber.h"

#include <QStringList>
#include <algorithm>
#include <utility>

namespace morvanex {
namespace {

struct KeyName {
    std::uint32_t keyCode;
    const char* name;
};

constexpr KeyName functionKeys[] = {
    {122, "F1"},  {120, "F2"},  {99, "F3"},   {118, "F4"},  {96, "F5"},
    {97, "F6"},   {98, "F7"},   {100, "F8"},  {101, "F9"},  {109, "F10"},
    {103, "F11"}, {111, "F12"}, {105, "F13"}, {107, "F14"}, {113, "F15"},
};

constexpr KeyName specialKeys[] = {
    {49, "Space"}, {36, "↩"},  {48, "⇥"},  {123, "←"}, {124, "→"}, {125, "↓"},
    {126, "↑"},    {115, "↖"}, {119, "↘"}, {116, "⇞"}, {121, "⇟"}, {117, "⌦"},
};

template <std::size_t N>
std::optional<QString> lookUp(const KeyName (&table)[N], std::uint32_t keyCode) {
    for (const KeyName& key : table) {
        if (key.keyCode == keyCode)
            return QString::fromUtf8(key.name);
    }
    return std::nullopt;
}

QString trimControlCharacters(QString text) {
    const auto isControl = [](QChar c) { return c.category() == QChar::Other_Control; };
    while (!text.isEmpty() && isControl(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && isControl(text.back()))
        text.chop(1);
    return text;
}

} // namespace

QString HotKeyAction::id() const {
    switch (kind) {
    case Kind::dropdown:
        return QStringLiteral("dropdown.") + rawValue(module);
    case Kind::keepAwake:
        return QStringLiteral("keepAwake");
    case Kind::settings:
        return QStringLiteral("settings");
    }
    return {};
}

std::vector<HotKeyAction> HotKeyAction::all() {
    std::vector<HotKeyAction> actions;
    for (ModuleKind module : allCases<ModuleKind>())
        actions.push_back(dropdown(module));
    actions.push_back(keepAwake());
    actions.push_back(settings());
    return actions;
}

std::optional<HotKeyAction> HotKeyAction::fromId(const QString& id) {
    for (const HotKeyAction& action : all()) {
        if (action.id() == id)
            return action;
    }
    return std::nullopt;
}

std::optional<HotKey> hotKeyFromKeyPress(const KeyPress& press) {
    const auto functionName = lookUp(functionKeys, press.keyCode);
    if (!press.control && !press.option && !press.command && !functionName)
        return std::nullopt;
    QString label;
    std::uint32_t modifiers = 0;
    if (press.control) {
        label += QStringLiteral("⌃");
        modifiers |= 0x1000;
    }
    if (press.option) {
        label += QStringLiteral("⌥");
        modifiers |= 0x800;
    }
    if (press.shift) {
        label += QStringLiteral("⇧");
        modifiers |= 0x200;
    }
    if (press.command) {
        label += QStringLiteral("⌘");
        modifiers |= 0x100;
    }
    const QString name = functionName.value_or(
        lookUp(specialKeys, press.keyCode)
            .value_or(trimControlCharacters(press.charactersIgnoringModifiers.toUpper())));
    if (name.isEmpty())
        return std::nullopt;
    return HotKey{press.keyCode, modifiers, label + name};
}

QString hotKeyDisplayText(const HotKey& key) {
    static const std::pair<std::uint32_t, const char*> modifierNames[] = {
        {0x1000, "Ctrl"}, {0x800, "Alt"}, {0x200, "Shift"}, {0x100, "Super"}};
    // The key symbols of the stored labels, named as the keys are labelled here.
    static const std::pair<const char*, const char*> keyNames[] = {
        {"↩", "Enter"},  {"⇥", "Tab"},       {"←", "Left"}, {"→", "Right"},   {"↓", "Down"},
        {"↑", "Up"},     {"↖", "Home"},      {"↘", "End"},  {"⇞", "Page Up"}, {"⇟", "Page Down"},
        {"⌦", "Delete"}, {"⌫", "Backspace"}, {"⎋", "Esc"},  {"⌤", "Enter"},
    };
    QStringList parts;
    for (const auto& [mask, name] : modifierNames)
        if (key.modifiers & mask)
            parts << QString::fromLatin1(name);
    QString keyPart = key.label;
    static const QString modifierMarks = QStringLiteral("⌃⌥⇧⌘");
    while (!keyPart.isEmpty() && modifierMarks.contains(keyPart.front()))
        keyPart.remove(0, 1);
    for (const auto& [symbol, name] : keyNames)
        if (keyPart == QString::fromUtf8(symbol)) {
            keyPart = QString::fromLatin1(name);
            break;
        }
    if (!keyPart.isEmpty())
        parts << keyPart;
    return parts.join(u'+');
}

HotKeyCenter::Connect HotKeyCenter::x11() {
    return [](HotKeyCenter& self) -> std::optional<Registrar> {
        std::shared_ptr<platform::X11KeyGrabber> grabber = platform::X11KeyGrabber::connect();
        if (!grabber)
            return std::nullopt;
        grabber->onPress = [&self](std::uint32_t number) { self.pressed(number); };
        return Registrar{[grabber](std::uint32_t number, const HotKey& key) {
                             return grabber->grab(number, key.keyCode, key.modifiers);
                         },
                         [grabber](std::uint32_t number) { grabber->ungrab(number); }};
    };
}

HotKeyCenter& HotKeyCenter::shared() {
    static HotKeyCenter center(x11());
    return center;
}

HotKeyCenter::HotKeyCenter(Connect connect) : connect_(std::move(connect)) {}

void HotKeyCenter::registerAll() {
    unregisterAll();
    if (!connected_) {
        connected_ = true;
        registrar_ = connect_(*this);
    }
    failed.clear();
    // std::map keeps the bindings sorted by identifier, which fixes the numbering.
    std::uint32_t number = 1;
    for (const auto& [id, key] : current) {
        const auto action = HotKeyAction::fromId(id);
        if (!action)
            continue;
        if (registrar_ && registrar_->grab(number, key))
            registered.emplace(number, *action);
        else
            failed.insert(id);
        ++number;
    }
}

void HotKeyCenter::unregisterAll() {
    if (registrar_) {
        for (const auto& [number, action] : registered)
            registrar_->ungrab(number);
    }
    registered.clear();
}

void HotKeyCenter::pressed(std::uint32_t number) {
    platform::postToMain([this, number, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired())
            return;
        const auto it = registered.find(number);
        if (it != registered.end() && onTrigger)
            onTrigger(it->second);
    });
}

} // namespace morvanex
