#include "platform/linux/X11KeyGrabber.h"

#include "platform/linux/MacKeyCodes.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace morvanex::platform {
namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Malloced = std::unique_ptr<T, FreeDeleter>;

// Lock keys change the state of every press; the grab must hold with them on or off.
constexpr std::uint16_t numLock = XCB_MOD_MASK_2;
constexpr std::uint16_t capsLock = XCB_MOD_MASK_LOCK;
constexpr std::uint16_t lockVariants[] = {0, numLock, capsLock, numLock | capsLock};

} // namespace

struct X11KeyGrabber::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_key_symbols_t* symbols = nullptr;
    xcb_window_t root = 0;

    ~Connection() {
        if (symbols)
            xcb_key_symbols_free(symbols);
        if (connection)
            xcb_disconnect(connection);
    }
};

std::uint16_t x11ModifierMask(std::uint32_t modifiers) {
    std::uint16_t mask = 0;
    if (modifiers & 0x1000)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & 0x800)
        mask |= XCB_MOD_MASK_1; // Alt
    if (modifiers & 0x200)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & 0x100)
        mask |= XCB_MOD_MASK_4; // Super
    return mask;
}

std::unique_ptr<X11KeyGrabber> X11KeyGrabber::connect() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        return nullptr;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return nullptr;
    auto connection = std::make_unique<Connection>();
    int screenNumber = 0;
    connection->connection = xcb_connect(display.constData(), &screenNumber);
    if (xcb_connection_has_error(connection->connection))
        return nullptr;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection->connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return nullptr;
    connection->root = screens.data->root;
    connection->symbols = xcb_key_symbols_alloc(connection->connection);
    if (!connection->symbols)
        return nullptr;
    return std::make_unique<X11KeyGrabber>(std::move(connection));
}

X11KeyGrabber::X11KeyGrabber(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(connection_->connection),
                                    QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11KeyGrabber::~X11KeyGrabber() {
    for (const auto& [number, grab] : grabs_)
        ungrabKeys(grab);
    xcb_flush(connection_->connection);
}

bool X11KeyGrabber::grab(std::uint32_t number, std::uint32_t keyCode, std::uint32_t modifiers) {
    ungrab(number);
    const auto keysym = keysymForMacKeyCode(keyCode);
    if (!keysym)
        return false;
    Grab grab;
    grab.mask = x11ModifierMask(modifiers);
    const Malloced<xcb_keycode_t> keycodes(
        xcb_key_symbols_get_keycode(connection_->symbols, xcb_keysym_t(*keysym)));
    for (const xcb_keycode_t* code = keycodes.get(); code && *code != XCB_NO_SYMBOL; ++code)
        grab.keycodes.push_back(*code);
    if (grab.keycodes.empty())
        return false;

    bool refused = false;
    for (std::uint8_t keycode : grab.keycodes) {
        for (std::uint16_t locks : lockVariants) {
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(
                connection_->connection, 1, connection_->root, std::uint16_t(grab.mask | locks),
                keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            const Malloced<xcb_generic_error_t> error(
                xcb_request_check(connection_->connection, cookie));
            refused = refused || error != nullptr;
        }
    }
    if (refused) {
        ungrabKeys(grab);
        xcb_flush(connection_->connection);
        return false;
    }
    grabs_.emplace(number, std::move(grab));
    // Checking the grabs may have queued events the socket notifier will not report again.
    QTimer::singleShot(0, this, [this] { readEvents(); });
    return true;
}

void X11KeyGrabber::ungrab(std::uint32_t number) {
    const auto it = grabs_.find(number);
    if (it == grabs_.end())
        return;
    ungrabKeys(it->second);
    grabs_.erase(it);
    xcb_flush(connection_->connection);
}

void X11KeyGrabber::ungrabKeys(const Grab& grab) {
    for (std::uint8_t keycode : grab.keycodes) {
        for (std::uint16_t locks : lockVariants)
            xcb_ungrab_key(connection_->connection, keycode, connection_->root,
                           std::uint16_t(grab.mask | locks));
    }
}

void X11KeyGrabber::readEvents() {
    while (const Malloced<xcb_generic_event_t> event{xcb_poll_for_event(connection_->connection)}) {
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
            continue;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
        const std::uint16_t state = press->state & ~(numLock | capsLock) & 0xff;
        for (const auto& [number, grab] : grabs_) {
            const bool keyMatches = std::find(grab.keycodes.begin(), grab.keycodes.end(),
                                              press->detail) != grab.keycodes.end();
            if (keyMatches && state == grab.mask && onPress) {
                onPress(number);
                break;
            }
        }
    }
}

} // namespace morvanex::platform
