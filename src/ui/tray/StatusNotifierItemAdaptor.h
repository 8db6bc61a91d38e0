#pragma once

#include "ui/tray/SniTypes.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <functional>

namespace morvanex::ui {

// The org.kde.StatusNotifierItem interface of one status item. It holds the published values;
// the owning item sets them and sends the change signals, and the methods hosts call are
// handed to the callbacks.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyText)
    Q_PROPERTY(QString IconName READ emptyText)
    Q_PROPERTY(QList<morvanex::ui::SniPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(QList<morvanex::ui::SniPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(QList<morvanex::ui::SniPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(morvanex::ui::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ guide)

public:
    explicit StatusNotifierItemAdaptor(QObject* item);

    // The published values.
    QString itemId;
    QString itemTitle;
    SniPixmaps pixmaps;
    QDBusObjectPath menuPath;
    QString labelText;
    QString guideText;

    // What the host asks for; the points are in global screen coordinates.
    std::function<void(int x, int y)> onActivate;
    std::function<void(int x, int y)> onContextMenu;
    // A panel read the image (every panel that shows the item does).
    std::function<void()> onImageRead;

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return itemId; }
    QString title() const { return itemTitle; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyText() const { return {}; }
    SniPixmaps iconPixmap() const {
        if (onImageRead)
            onImageRead();
        return pixmaps;
    }
    SniPixmaps noPixmaps() const { return {}; }
    // The title alone: the item's readings are in its image and label already.
    SniToolTip toolTip() const { return {QString(), {}, itemTitle, QString()}; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return menuPath; }
    QString label() const { return labelText; }
    QString guide() const { return guideText; }

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);
};

} // namespace morvanex::ui
