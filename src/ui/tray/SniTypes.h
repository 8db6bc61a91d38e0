#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

// The structured values of the StatusNotifierItem interface, as they travel on the bus.
namespace morvanex::ui {

// One icon size, (iiay): width, height and ARGB32 pixels, each pixel a big-endian 32-bit word.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
    bool operator==(const SniPixmap&) const = default;

    static SniPixmap from(const QImage& image);
};
using SniPixmaps = QList<SniPixmap>;

// (sa(iiay)ss): icon name, icon pixmaps, title, descriptive text.
struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
    bool operator==(const SniToolTip&) const = default;
};

// Makes the types above known to Qt's D-Bus marshalling; safe to call any number of times.
void registerSniTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip);

} // namespace morvanex::ui

Q_DECLARE_METATYPE(morvanex::ui::SniPixmap)
Q_DECLARE_METATYPE(morvanex::ui::SniToolTip)
