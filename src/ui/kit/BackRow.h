#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace morvanex::ui {

class SymbolIcon;
class TextLine;

// The row that leads from a drilled-into panel back to the dropdown's own panel: a left
// chevron and a title, as wide as its content, lit while the pointer is over it.
class BackRow : public QWidget {
    Q_OBJECT
public:
    BackRow(const QString& title, std::function<void()> action, Appearance appearance,
            QWidget* parent = nullptr);

    bool isHovering() const { return hovering_; }
    TextLine* titleLine() const { return title_; }
    // The padded, lit rectangle (below the extra space on top).
    QRect plateRect() const;

    static constexpr int spaceAbove = 6;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHovering(bool hovering);

    std::function<void()> action_;
    Appearance appearance_;
    bool hovering_ = false;
    SymbolIcon* chevron_ = nullptr;
    TextLine* title_ = nullptr;
};

} // namespace morvanex::ui
