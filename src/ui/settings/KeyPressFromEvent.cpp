#include "ui/settings/KeyPressFromEvent.h"

#include "platform/linux/MacKeyCodes.h"

#include <utility>

namespace morvanex::ui {
namespace {

// Qt keys without a Latin-1 code, as X11 key symbols.
constexpr std::pair<int, std::uint32_t> specialKeysyms[] = {
    {Qt::Key_Return, 0xff0d},    {Qt::Key_Enter, 0xff0d},  {Qt::Key_Tab, 0xff09},
    {Qt::Key_Backspace, 0xff08}, {Qt::Key_Escape, 0xff1b}, {Qt::Key_Delete, 0xffff},
    {Qt::Key_Home, 0xff50},      {Qt::Key_End, 0xff57},    {Qt::Key_PageUp, 0xff55},
    {Qt::Key_PageDown, 0xff56},  {Qt::Key_Left, 0xff51},   {Qt::Key_Right, 0xff53},
    {Qt::Key_Up, 0xff52},        {Qt::Key_Down, 0xff54},
};

// US layout: a shifted symbol and the key it is typed on.
constexpr std::pair<char, char> shifted[] = {
    {'!', '1'},  {'@', '2'}, {'#', '3'},  {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'},
    {'*', '8'},  {'(', '9'}, {')', '0'},  {'_', '-'}, {'+', '='}, {'{', '['}, {'}', ']'},
    {'|', '\\'}, {':', ';'}, {'"', '\''}, {'<', ','}, {'>', '.'}, {'?', '/'}, {'~', '`'},
};

std::optional<std::uint32_t> keysymOfQtKey(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F15)
        return 0xffbe + std::uint32_t(key - Qt::Key_F1);
    for (const auto& [qt, keysym] : specialKeysyms) {
        if (qt == key)
            return keysym;
    }
    if (key >= 0x20 && key < 0x7f)
        return std::uint32_t(key);
    return std::nullopt;
}

std::uint32_t unshifted(std::uint32_t keysym) {
    for (const auto& [symbol, base] : shifted) {
        if (keysym == std::uint32_t(symbol))
            return std::uint32_t(base);
    }
    return keysym;
}

} // namespace

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

std::optional<std::uint32_t> virtualKeyCode(const QKeyEvent& event) {
    std::optional<std::uint32_t> keysym;
    if (event.nativeVirtualKey() != 0)
        keysym = event.nativeVirtualKey();
    std::optional<std::uint32_t> code;
    if (keysym)
        code = platform::macKeyCodeForKeysym(unshifted(*keysym));
    if (!code) {
        if (const auto fromKey = keysymOfQtKey(event.key()))
            code = platform::macKeyCodeForKeysym(unshifted(*fromKey));
    }
    return code;
}

std::optional<KeyPress> keyPressFromEvent(const QKeyEvent& event) {
    const auto code = virtualKeyCode(event);
    if (!code)
        return std::nullopt;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    KeyPress press;
    press.keyCode = *code;
    press.control = modifiers.testFlag(Qt::ControlModifier);
    press.option = modifiers.testFlag(Qt::AltModifier);
    press.shift = modifiers.testFlag(Qt::ShiftModifier);
    press.command = modifiers.testFlag(Qt::MetaModifier);
    if (const auto keysym = platform::keysymForMacKeyCode(*code); keysym && *keysym < 0x7f)
        press.charactersIgnoringModifiers = QString(QChar(char16_t(*keysym)));
    return press;
}

} // namespace morvanex::ui
