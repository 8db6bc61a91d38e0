#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace morvanex::ui {

class SymbolIcon;

// A small square button that copies a text (an address) to the clipboard and shows a check
// mark for a moment in place of its copy symbol. Each click schedules its own return to the
// copy symbol; none is cancelled.
class CopyButton : public QWidget {
    Q_OBJECT
public:
    using Copy = std::function<void(const QString&)>;

    CopyButton(const QString& text, const QString& label, Appearance appearance,
               QWidget* parent = nullptr, Copy copy = {}, int resetMs = defaultResetMs);

    bool isCopied() const { return copied_; }
    bool isHovering() const { return hovering_; }
    QString symbolName() const;

    static constexpr int defaultResetMs = 1200;
    static constexpr int side = 20;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void refresh();

    QString text_;
    Appearance appearance_;
    Copy copy_;
    int resetMs_;
    bool copied_ = false;
    bool hovering_ = false;
    SymbolIcon* symbol_ = nullptr;
};

} // namespace morvanex::ui
