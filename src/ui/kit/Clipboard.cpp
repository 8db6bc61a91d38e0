#include "ui/kit/Clipboard.h"

#include "platform/Log.h"

#include <QClipboard>
#include <QGuiApplication>

namespace morvanex::ui {

void copyToClipboard(const QString& text) {
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) {
        qCWarning(log::ui) << "no clipboard to copy to";
        return;
    }
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace morvanex::ui
