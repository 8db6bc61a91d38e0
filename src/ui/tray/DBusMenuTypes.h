#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The structured values of the com.canonical.dbusmenu interface, as they travel on the bus.
namespace morvanex::ui {

// (ia{sv}av): an item, its properties and its children, each child a variant holding the same
// structure.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// (ia{sv}): an item's properties without its children.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItems = QList<DBusMenuItem>;

// (ias): the names of an item's properties that were removed.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEvents = QList<DBusMenuEvent>;

// aas: a shortcut as lists of key names, e.g. [["Control", "q"]].
using DBusMenuShortcut = QList<QStringList>;

// Makes the types above known to Qt's D-Bus marshalling; safe to call any number of times.
void registerDBusMenuTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

} // namespace morvanex::ui

Q_DECLARE_METATYPE(morvanex::ui::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(morvanex::ui::DBusMenuItem)
Q_DECLARE_METATYPE(morvanex::ui::DBusMenuItemKeys)
Q_DECLARE_METATYPE(morvanex::ui::DBusMenuEvent)
