#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace morvanex::platform {

// System-wide key combinations through X11 key grabs on the root window. A grab that another
// client already holds is refused by the server. Lives on the thread that created it, which
// also receives the presses.
class X11KeyGrabber : public QObject {
    Q_OBJECT
public:
    // Nothing when there is no X display to talk to, or the session is Wayland (whose
    // compositors do not pass other clients' keys to X11 grabs).
    static std::unique_ptr<X11KeyGrabber> connect();
    ~X11KeyGrabber() override;

    // Grabs the key with the stored virtual key code and modifier bits (command 0x100, shift
    // 0x200, option 0x800, control 0x1000) under `number`, with and without Num Lock and Caps
    // Lock. False when the key has no symbol here or the server refused the grab.
    bool grab(std::uint32_t number, std::uint32_t keyCode, std::uint32_t modifiers);
    void ungrab(std::uint32_t number);

    // Called with the number of a grabbed combination when it is pressed.
    std::function<void(std::uint32_t number)> onPress;

    struct Connection;
    // Made by connect(); the connection type is private to this class.
    explicit X11KeyGrabber(std::unique_ptr<Connection> connection);

private:
    struct Grab {
        std::vector<std::uint8_t> keycodes;
        std::uint16_t mask = 0;
    };

    void readEvents();
    void ungrabKeys(const Grab& grab);

    std::unique_ptr<Connection> connection_;
    QSocketNotifier* notifier_ = nullptr; // owned through Qt parenting
    std::map<std::uint32_t, Grab> grabs_;
};

// The X11 modifier mask for stored modifier bits.
std::uint16_t x11ModifierMask(std::uint32_t modifiers);

} // namespace morvanex::platform
