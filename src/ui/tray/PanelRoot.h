#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/PanelEnv.h"

#include <QScrollArea>
#include <functional>

namespace morvanex::ui {

class PanelContent;

// What a dropdown hosts: the panel shell in a vertical scroller 340 wide, telling its owner
// the height the content wants each time that changes, so the window can follow it. The
// scroller only scrolls when the window is capped below that height.
class PanelRoot : public QScrollArea {
    Q_OBJECT
public:
    PanelRoot(ModuleKind kind, PanelEnv env, std::function<void(double)> onHeightChange,
              QWidget* parent = nullptr);

    PanelContent* content() const { return content_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void follow();

    PanelContent* content_;
    std::function<void(double)> onHeightChange_;
    int reported_ = -1;
};

} // namespace morvanex::ui
