#include "dump/PanelRenderFrame.h"

#include "platform/Log.h"
#include "ui/kit/AppearanceMode.h"

#include <QCoreApplication>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <memory>

namespace morvanex::dump {
namespace {

// The backdrop with the card in the middle; the panel sits on the card.
class CardBackdrop : public QWidget {
public:
    explicit CardBackdrop(ui::Appearance appearance) : appearance_(appearance) {
        // Qt's own way of keeping a window off every screen while it is laid out and drawn.
        setAttribute(Qt::WA_DontShowOnScreen);
        setPalette(ui::appearancePalette(appearance));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), panelBackdropColor(appearance_));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(panelCardColor(appearance_));
        const QRectF card =
            QRectF(rect()).adjusted(framePadding, framePadding, -framePadding, -framePadding);
        painter.drawRoundedRect(card, cardRadius, cardRadius);
    }

private:
    ui::Appearance appearance_;
};

void activateAll(QWidget& widget) {
    if (QLayout* layout = widget.layout())
        layout->activate();
    for (QWidget* child : widget.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        activateAll(*child);
}

} // namespace

QColor panelCardColor(ui::Appearance appearance) {
    const double grey = appearance == ui::Appearance::dark ? 0.17 : 0.96;
    return QColor::fromRgbF(float(grey), float(grey), float(grey));
}

QColor panelBackdropColor(ui::Appearance appearance) {
    return appearance == ui::Appearance::dark ? QColor::fromRgbF(0.08f, 0.10f, 0.15f)
                                              : QColor::fromRgbF(0.73f, 0.80f, 0.89f);
}

int naturalHeight(const QWidget& content) {
    if (content.hasHeightForWidth())
        return content.heightForWidth(panelWidth);
    return content.sizeHint().height();
}

void settleLayouts(QWidget& root) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    activateAll(root);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

QImage renderPanelFrame(QWidget* content, ui::Appearance appearance) {
    CardBackdrop frame(appearance);
    content->setParent(&frame);
    content->move(framePadding, framePadding);
    frame.resize(panelWidth + 2 * framePadding, 300);
    frame.show();
    // A panel may change its mind once its rows have their widths (wrapped text); a few rounds
    // settle it.
    int height = 0;
    for (int round = 0; round < 4; ++round) {
        settleLayouts(frame);
        const int wanted = std::max(1, naturalHeight(*content));
        if (wanted == height)
            break;
        height = wanted;
        content->resize(panelWidth, height);
        frame.resize(panelWidth + 2 * framePadding, height + 2 * framePadding);
    }
    settleLayouts(frame);

    QImage image((frame.size() * renderScale), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        qCWarning(log::ui) << "no bitmap for a panel render of" << frame.size();
        return image;
    }
    image.setDevicePixelRatio(renderScale);
    image.fill(panelBackdropColor(appearance));
    frame.render(&image);
    return image;
}

} // namespace morvanex::dump
