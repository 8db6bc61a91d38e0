#include "ui/tray/SniTypes.h"

#include <QDBusMetaType>
#include <QtEndian>

namespace morvanex::ui {

SniPixmap SniPixmap::from(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();
    SniPixmap pixmap{width, height, {}};
    pixmap.bytes.resize(qsizetype(width) * height * 4);
    // Line by line (a line may be padded), each line's words swapped in one pass.
    auto* out = reinterpret_cast<uchar*>(pixmap.bytes.data());
    for (int y = 0; y < height; ++y) {
        qToBigEndian<quint32>(argb.constScanLine(y), width, out);
        out += qsizetype(width) * 4;
    }
    return pixmap;
}

void registerSniTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    (void)registered;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip) {
    argument.beginStructure();
    argument << tip.iconName << tip.pixmaps << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip) {
    argument.beginStructure();
    argument >> tip.iconName >> tip.pixmaps >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

} // namespace morvanex::ui
