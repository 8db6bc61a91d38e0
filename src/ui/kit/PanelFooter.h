#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace morvanex::ui {

class HoverClick;
class TextLine;

// One entry of a panel's footer menu.
struct FooterItem {
    QUuid id = QUuid::createUuid();
    QString title;
    std::optional<QString> shortcut; // a key hint such as "Ctrl+,"
    std::function<void()> action;
};

// A menu-item-like row: the title, and the shortcut hint at the trailing edge when there is
// one; lit while the pointer is over it, and a click runs the item's action (the row itself
// does not close the dropdown).
class MenuRow : public QWidget {
    Q_OBJECT
public:
    MenuRow(FooterItem item, Appearance appearance, QWidget* parent = nullptr);

    const FooterItem& item() const { return item_; }
    bool isHovering() const;
    TextLine* shortcutLine() const { return shortcut_; } // null without a shortcut

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FooterItem item_;
    Appearance appearance_;
    HoverClick* pointer_ = nullptr;
    TextLine* shortcut_ = nullptr;
};

// The footer that ends every panel: a divider, then one menu row per item in order.
class PanelFooter : public QWidget {
    Q_OBJECT
public:
    PanelFooter(const std::vector<FooterItem>& items, Appearance appearance,
                QWidget* parent = nullptr);

    std::vector<MenuRow*> rows() const { return rows_; }

private:
    std::vector<MenuRow*> rows_;
};

} // namespace morvanex::ui
