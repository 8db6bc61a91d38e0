#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/PanelEnv.h"

#include <QScrollArea>
#include <functional>

namespace morvanex::ui {

class PanelContent;

// What a dropdown hosts: the panel shell in a vertical scroller 340 wide, telling its owner
// the height the content wants each time that changes, so the window can follow it. The
// scroller only shows a scroll bar and scrolls when the window is capped below that height.
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
    // Lays the content out for the root's current height: whole at full width without a
    // scroll bar when the root holds `naturalHeight`, else beside a scroll bar.
    void fit(int naturalHeight);

    PanelContent* content_;
    std::function<void(double)> onHeightChange_;
    int reported_ = -1;
    bool following_ = false;
    bool followAgain_ = false;
};

} // namespace morvanex::ui
