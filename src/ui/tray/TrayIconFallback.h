#pragma once

#include "ui/menubar/MenuBarRenderer.h"
#include "ui/tray/TraySquare.h"

#include <QMenu>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>
#include <functional>

namespace morvanex::ui {

// One status item as Qt's tray icon, for desktops without a StatusNotifierItem watcher. Such
// hosts give every icon a square slot, so the image is fitted into a square (see
// PanelImage::square) and the title is the tool tip.
class TrayIconFallback : public QObject {
    Q_OBJECT
public:
    TrayIconFallback(const QString& title, QObject* parent = nullptr);
    ~TrayIconFallback() override;

    void setImage(const MenuBarImage& image, Appearance appearance);
    // The square's own face instead of the image shrunk (see TraySquare).
    void setFace(const SquareFace& face, Appearance appearance);
    // Fills the context menu afresh before every showing.
    std::function<void(QMenu& menu)> fill;

    bool isShown() const { return icon_.isVisible(); }
    QMenu& contextMenu() { return menu_; }

signals:
    void activated(QRect anchor);
    void menuAboutToShow();

private:
    QMenu menu_; // outlives the icon that shows it
    QSystemTrayIcon icon_;
};

} // namespace morvanex::ui
