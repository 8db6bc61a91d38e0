#pragma once

#include "ui/kit/PanelDefaults.h"
#include "ui/settings/SettingsPanes.h"

#include <QWidget>
#include <map>

class QLabel;
class QVBoxLayout;

namespace morvanex::ui {

// The settings window's content: the sidebar of panes with the version under it, and the
// selected pane. The selection is the stored "settings.pane", followed while the window is
// open, so writing the key is how anyone opens a pane.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    // Where the window's frame is kept across runs.
    static inline const QString geometryKey = QStringLiteral("MorvanexSettings.frame");
    static constexpr QSize contentSize{840, 580};
    static constexpr QSize minimumContentSize{760, 520};

    SettingsView(SettingsEnv env, PanelDefaults& defaults, QWidget* parent = nullptr);
    ~SettingsView() override;

    SettingsPane pane() const { return pane_; }
    QWidget* paneView() const { return paneView_; }
    QString versionText() const;
    // A sidebar row as the user clicks it.
    void select(SettingsPane pane);
    QWidget* sidebarRow(SettingsPane pane) const;

    // The window's frame: the one kept from an earlier run, else the content size centred.
    void restoreWindowGeometry();
    void saveWindowGeometry();

protected:
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void follow();
    void showPane(SettingsPane pane);

    SettingsEnv env_;
    PanelDefaults& defaults_;
    SettingsPane pane_ = SettingsPane::general;
    std::map<SettingsPane, QWidget*> rows_;
    QVBoxLayout* detail_;
    QWidget* paneView_ = nullptr;
    QLabel* version_;
};

} // namespace morvanex::ui
