#include "ui/tray/TrayIconFallback.h"

#include "ui/tray/PanelImage.h"

#include <QCursor>
#include <QPixmap>

namespace morvanex::ui {

namespace {

// Squares for the common tray sizes; the host picks the nearest and scales the rest.
constexpr int squareSides[] = {16, 22, 24, 32, 48, 64};

} // namespace

TrayIconFallback::TrayIconFallback(const QString& title, QObject* parent) : QObject(parent) {
    icon_.setToolTip(title);
    icon_.setContextMenu(&menu_);
    connect(&menu_, &QMenu::aboutToShow, this, [this] {
        emit menuAboutToShow();
        menu_.clear();
        if (fill)
            fill(menu_);
    });
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::MiddleClick)
                    return;
                QRect anchor = icon_.geometry();
                // Some hosts do not tell where the icon is; the pointer is then the best guess.
                if (!anchor.isValid())
                    anchor = QRect(QCursor::pos(), QSize(1, 1));
                emit activated(anchor);
            });
}

TrayIconFallback::~TrayIconFallback() {
    icon_.hide();
}

void TrayIconFallback::setImage(const MenuBarImage& image, Appearance appearance) {
    QIcon icon;
    for (const int side : squareSides)
        icon.addPixmap(QPixmap::fromImage(PanelImage::square(image, appearance, side)));
    icon_.setIcon(icon);
    if (!icon_.isVisible())
        icon_.show();
}

} // namespace morvanex::ui

namespace morvanex::ui {

void TrayIconFallback::setFace(const SquareFace& face, Appearance appearance) {
    QIcon icon;
    for (const int side : squareSides)
        icon.addPixmap(QPixmap::fromImage(drawSquare(face, appearance, side)));
    icon_.setIcon(icon);
    if (!icon_.isVisible())
        icon_.show();
}

} // namespace morvanex::ui
