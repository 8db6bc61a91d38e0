#include "ui/tray/DropdownPanel.h"

#include "ui/kit/Palette.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace morvanex::ui {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <class T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

bool isWayland() {
    return QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

// A compositing manager owns the selection "_NET_WM_CM_S<screen>" of the screen it draws.
bool x11CompositorRunning() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    xcb_connection_t* connection = x11->connection();

    int screen = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);

    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()),
        nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

QPainterPath roundedShape(const QRectF& rect) {
    QPainterPath path;
    path.addRoundedRect(rect, DropdownPanel::cornerRadius, DropdownPanel::cornerRadius);
    return path;
}

QRegion roundedRegion(const QRect& rect) {
    return QRegion(roundedShape(QRectF(rect)).toFillPolygon().toPolygon());
}

// The border line, drawn above the content (which fills the panel to its edges).
class PanelEdge : public QWidget {
public:
    explicit PanelEdge(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(color(Tint::separator, currentAppearance()), DropdownPanel::borderWidth);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const double inset = DropdownPanel::borderWidth / 2;
        painter.drawPath(roundedShape(QRectF(rect()).adjusted(inset, inset, -inset, -inset)));
    }
};

} // namespace

bool DropdownPanel::compositingActive() {
    if (qGuiApp == nullptr)
        return false;
    if (isWayland())
        return true; // every Wayland compositor composites
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        return x11CompositorRunning();
    return false;
}

DropdownPanel::DropdownPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          (isWayland() ? Qt::WindowFlags() : Qt::X11BypassWindowManagerHint)),
      translucent_(compositingActive()) {
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    if (!translucent_)
        setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Morvanex"));
    resize(panelWidth, 300);
    edge_ = new PanelEdge(this);
    reshape();
}

void DropdownPanel::setContent(QWidget* content) {
    if (content_ != nullptr && content_ != content)
        delete content_;
    content_ = content;
    if (content_ != nullptr) {
        content_->setParent(this);
        content_->show();
    }
    reshape();
}

void DropdownPanel::reshape() {
    const QRect area = rect();
    if (content_ != nullptr) {
        content_->setGeometry(area);
        // Nothing the content draws (a scroll bar, a card) pokes out of the corners.
        content_->setMask(roundedRegion(area));
    }
    edge_->setGeometry(area);
    edge_->raise();
    if (!translucent_)
        setMask(roundedRegion(area));
}

void DropdownPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor fill = color(Tint::windowBackground, currentAppearance());
    if (translucent_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillPath(roundedShape(QRectF(rect())), fill);
    } else {
        painter.fillRect(rect(), fill); // the mask cuts the corners
    }
}

void DropdownPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    reshape();
}

void DropdownPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (onCancel)
            onCancel();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DropdownPanel::changeEvent(QEvent* event) {
    // The application's appearance changed: the fill and the border follow it.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        update();
        edge_->update();
    }
    QWidget::changeEvent(event);
}

} // namespace morvanex::ui
