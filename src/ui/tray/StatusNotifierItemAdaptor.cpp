#include "ui/tray/StatusNotifierItemAdaptor.h"

namespace morvanex::ui {

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(QObject* item) : QDBusAbstractAdaptor(item) {
    registerSniTypes();
}

void StatusNotifierItemAdaptor::Activate(int x, int y) {
    if (onActivate)
        onActivate(x, y);
}

// A middle click opens the dropdown as a left click does: the item has nothing else to offer.
void StatusNotifierItemAdaptor::SecondaryActivate(int x, int y) {
    Activate(x, y);
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y) {
    if (onContextMenu)
        onContextMenu(x, y);
}

// Scrolling over an item changes nothing.
void StatusNotifierItemAdaptor::Scroll(int, const QString&) {}

} // namespace morvanex::ui
