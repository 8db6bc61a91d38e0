#include "ui/settings/ShortcutRecorder.h"

#include "app/HotKeys.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/KeyPressFromEvent.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace morvanex::ui {
namespace {

// The caption's rounded field; a click anywhere on it is the control's click.
class CaptionField : public QWidget {
public:
    CaptionField(Appearance appearance, std::function<void()> onClick, QWidget* parent)
        : QWidget(parent), appearance_(appearance), onClick_(std::move(onClick)) {
        setCursor(Qt::PointingHandCursor);
        setMinimumWidth(110);
        setAccessibleDescription(QStringLiteral("button"));
    }
    void setRecording(bool recording) {
        recording_ = recording;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor primary = color(Tint::primaryText, appearance_);
        QColor fill = primary;
        fill.setAlphaF(0.06);
        QColor border = primary;
        border.setAlphaF(0.12);
        if (recording_)
            border = color(Tint::accent, appearance_);
        painter.setBrush(fill);
        painter.setPen(QPen(border, 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            onClick_();
    }

private:
    Appearance appearance_;
    std::function<void()> onClick_;
    bool recording_ = false;
};

class ClickableSymbol : public SymbolIcon {
public:
    ClickableSymbol(const QString& name, double size, const QColor& color,
                    std::function<void()> onClick, QWidget* parent)
        : SymbolIcon(name, size, color, parent), onClick_(std::move(onClick)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            onClick_();
    }

private:
    std::function<void()> onClick_;
};

} // namespace

ShortcutRecorder::ShortcutRecorder(Appearance appearance, Callbacks callbacks, QWidget* parent)
    : QWidget(parent), appearance_(appearance), callbacks_(std::move(callbacks)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    warning_ = new SymbolIcon(QStringLiteral("exclamationmark.triangle.fill"), 13,
                              color(Tint::orange, appearance), this);
    warning_->setToolTip(QStringLiteral("Another app already uses this shortcut."));
    row->addWidget(warning_, 0, Qt::AlignVCenter);

    auto* field = new CaptionField(
        appearance,
        [this] {
            if (isRecording_)
                callbacks_.onCancel();
            else
                callbacks_.onStart();
        },
        this);
    field_ = field;
    auto* fieldLayout = new QHBoxLayout(field);
    fieldLayout->setContentsMargins(8, 3, 8, 3);
    label_ = new QLabel(field);
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignCenter);
    fieldLayout->addWidget(label_);
    row->addWidget(field, 0, Qt::AlignVCenter);

    clear_ = new ClickableSymbol(
        QStringLiteral("xmark.circle.fill"), 13, color(Tint::tertiaryText, appearance),
        [this] { callbacks_.onRecord(std::nullopt); }, this);
    clear_->setAccessibleName(QStringLiteral("Clear shortcut"));
    row->addWidget(clear_, 0, Qt::AlignVCenter);
    refresh();
}

ShortcutRecorder::~ShortcutRecorder() {
    stopListening();
}

QString ShortcutRecorder::caption(const std::optional<HotKey>& hotKey, bool isRecording,
                                  bool invalid) {
    if (isRecording)
        return invalid ? QStringLiteral("Add Ctrl, Alt or Super")
                       : QStringLiteral("Type shortcut…");
    return hotKey ? hotKeyDisplayText(*hotKey) : QStringLiteral("Record Shortcut");
}

QString ShortcutRecorder::text() const {
    return caption(hotKey_, isRecording_, invalid_);
}

bool ShortcutRecorder::showsWarning() const {
    return failed_ && !isRecording_;
}

bool ShortcutRecorder::showsClear() const {
    return hotKey_ && !isRecording_;
}

QWidget* ShortcutRecorder::clearControl() const {
    return clear_;
}

void ShortcutRecorder::setState(const std::optional<HotKey>& hotKey, bool isRecording,
                                bool failed) {
    const bool wasRecording = isRecording_;
    hotKey_ = hotKey;
    isRecording_ = isRecording;
    failed_ = failed;
    if (!wasRecording && isRecording)
        listen();
    else if (wasRecording && !isRecording)
        stopListening();
    refresh();
}

void ShortcutRecorder::listen() {
    invalid_ = false;
    if (!listening_ && qApp) {
        qApp->installEventFilter(this);
        listening_ = true;
    }
}

void ShortcutRecorder::stopListening() {
    if (listening_ && qApp)
        qApp->removeEventFilter(this);
    listening_ = false;
}

void ShortcutRecorder::refresh() {
    const bool emphasised = hotKey_ && !isRecording_;
    label_->setText(text());
    label_->setFont(Fonts::font(12, emphasised ? QFont::Medium : QFont::Normal));
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText,
                     color(emphasised ? Tint::primaryText : Tint::secondaryText, appearance_));
    label_->setPalette(palette);
    static_cast<CaptionField*>(field_)->setRecording(isRecording_);
    warning_->setVisible(showsWarning());
    clear_->setVisible(showsClear());
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (!listening_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepted overrides keep the shortcut map (menus, window actions) out of it; the
        // key press that follows is consumed below.
        event->accept();
        return true;
    case QEvent::KeyPress:
        handleKey(static_cast<QKeyEvent&>(*event));
        return true;
    case QEvent::KeyRelease:
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void ShortcutRecorder::handleKey(QKeyEvent& event) {
    if (isModifierKey(event.key()))
        return;
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        callbacks_.onRecord(std::nullopt);
        return;
    case Qt::Key_Escape:
        callbacks_.onCancel();
        return;
    default:
        break;
    }
    const auto press = keyPressFromEvent(event);
    const auto hotKey = press ? hotKeyFromKeyPress(*press) : std::nullopt;
    if (hotKey) {
        callbacks_.onRecord(hotKey);
        return;
    }
    invalid_ = true;
    refresh();
}

} // namespace morvanex::ui
