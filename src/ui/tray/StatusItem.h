#pragma once

#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarRenderer.h"
#include "ui/tray/StatusLabel.h"
#include "ui/tray/TraySquare.h"

#include <QDBusConnection>
#include <QImage>
#include <QMenu>
#include <QObject>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QDBusServiceWatcher;

namespace morvanex::platform {
class DesktopColorScheme;
}

namespace morvanex::ui {

class DBusMenuExporter;
class StatusNotifierItemAdaptor;
class TrayIconFallback;

// One item in the desktop's panel: a StatusNotifierItem over the session bus when a watcher
// runs, else Qt's tray icon.
//
// Each item has a bus connection of its own, so its service name, its item object and its
// menu object belong to it alone; the name is "org.kde.StatusNotifierItem-<pid>-<n>". With
// Registration::immediate the item watches for the watcher itself and registers whenever one
// appears (a panel restart brings a new one); an item that started on the tray icon moves over
// to the watcher once one appears. With Registration::onRequest its owner does both.
class StatusItem : public QObject {
    Q_OBJECT
public:
    // When the item tells the watcher it is there: at once (and again whenever a watcher
    // appears), or only when asked through registerWithWatcher(), so that several items reach
    // the watcher in an order of the owner's choosing; the owner then also calls useWatcher()
    // when a watcher appears.
    enum class Registration { immediate, onRequest };

    // id: "Morvanex.cpu" (the item's Id); title: "Morvanex — CPU" (Title and ToolTip).
    StatusItem(const QString& id, const QString& title, QObject* parent = nullptr);
    // The same on the bus at `busAddress`; an empty address is the session bus.
    StatusItem(const QString& id, const QString& title, const QString& busAddress,
               Registration registration = Registration::immediate, QObject* parent = nullptr);
    ~StatusItem() override; // leaves the bus / hides the tray icon

    void setImage(const MenuBarImage& image); // derives label + guide from the parts
    // What the item shows when it sits in a square tray slot; until set, the image shrunk.
    void setSquareFace(const SquareFace& face);
    // Called before every showing of the context menu (any path), to fill it afresh.
    void setMenuProvider(std::function<void(QMenu& menu)> fill);
    bool usesWatcher() const;
    // Whether the item sits in a tray slot now, the only place its square face shows.
    bool usesTrayIcon() const { return fallback_ != nullptr; }
    // A watcher appeared: the item leaves the tray icon and is published on the bus (when it
    // has a bus), ready to register.
    void useWatcher();
    // Asks the watcher to show the item; `answered` is called with whether the watcher took it
    // once it has answered (while the item lives), or at once with false when the item is not
    // published.
    void registerWithWatcher(std::function<void(bool accepted)> answered = {});

    QString id() const { return id_; }
    QString title() const { return title_; }
    // The bus name the item is published under while it uses the watcher.
    QString serviceName() const { return serviceName_; }
    // The name the item registers with the watcher under: its connection's unique name, the
    // sender of its signals, so a panel knows at once which item announced a new image instead
    // of asking the item and the bus on every announcement.
    QString registeredName() const { return bus_.baseService(); }
    // The menu's object path on the item's connection.
    static QString menuPath();
    // The last image set, if any, and the label and guide derived from it.
    const std::optional<MenuBarImage>& image() const { return image_; }
    const StatusLabel& label() const { return label_; }
    // The appearance the item draws with (see PanelImage::appearance); follows the desktop.
    Appearance appearance() const { return appearance_; }

signals:
    void activated(QRect anchor); // left click: anchor = 1x1 rect at the point
                                  // the host gave, or the tray icon geometry
    void menuAboutToShow();       // any path, before the menu shows
    void imageRead();             // a panel read the item's image

private:
    void publish();
    void useFallback();
    void setAppearance(Appearance appearance);
    void render();
    void showInFallback();
    void showContextMenu(int x, int y);

    const QString id_;
    const QString title_;
    const QString connectionName_;
    QDBusConnection bus_;
    const QString serviceName_;
    const Registration registration_;
    StatusNotifierItemAdaptor* adaptor_ = nullptr;   // child
    DBusMenuExporter* exporter_ = nullptr;           // child
    QDBusServiceWatcher* watcher_ = nullptr;         // child
    platform::DesktopColorScheme* scheme_ = nullptr; // child
    std::unique_ptr<TrayIconFallback> fallback_;
    std::unique_ptr<QMenu> popup_;
    std::function<void(QMenu&)> provider_;
    std::optional<MenuBarImage> image_;
    std::optional<SquareFace> face_;
    // What the image is drawn on at ratios 1 and 2, kept between drawings (see render()).
    std::array<QImage, 2> canvases_;
    StatusLabel label_;
    Appearance appearance_ = Appearance::dark;
    bool published_ = false;
};

} // namespace morvanex::ui
