#include "ui/kit/ForceQuitDialog.h"

#include "ui/kit/AppIconCache.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

namespace morvanex::ui {

bool confirmForceQuit(std::int32_t pid, const QString& message, const QString& informative) {
    QMessageBox box(QMessageBox::Warning, QString(), message);
    box.setInformativeText(informative);
    QPushButton* forceQuit = box.addButton(QStringLiteral("Force Quit"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(forceQuit);
    box.setEscapeButton(cancel);
    if (const auto icon = AppIconCache::shared().icon(pid)) {
        // 64 points square, drawn from the cached image at device-pixel ratio 2.
        QPixmap pixmap = QPixmap::fromImage(
            icon->scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(2);
        box.setIconPixmap(pixmap);
    }
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    return box.clickedButton() == forceQuit;
}

} // namespace morvanex::ui
