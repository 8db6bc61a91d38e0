#include "PaneTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>

namespace morvanex::test {

QStringList shownTexts(QWidget* root) {
    QStringList texts;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (!label->isHidden() && !label->text().isEmpty())
            texts.append(label->text());
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (!button->isHidden() && !button->text().isEmpty())
            texts.append(button->text());
    return texts;
}

QImage renderPane(QWidget* pane, const QSize& size, const QString& path) {
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->resize(size);
    pane->show();
    if (QLayout* layout = pane->layout())
        layout->activate();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        pane->render(&painter);
    }
    if (!path.isEmpty())
        image.save(path);
    return image;
}

} // namespace morvanex::test
