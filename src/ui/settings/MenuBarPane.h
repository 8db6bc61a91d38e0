#pragma once

#include "ui/kit/MenuBarPreviewSource.h"
#include "ui/kit/PanelEnv.h"

#include <QWidget>
#include <set>
#include <vector>

class QComboBox;
class QLabel;
class QMenu;
class QVBoxLayout;

namespace morvanex::ui {

class ModuleRow;
class MenuBarPreview;
class SwitchToggle;
class SymbolIcon;

// Which modules put an item in the menu bar, in which order and style, with a live preview
// and the options that apply to every item.
class MenuBarPane : public QWidget {
    Q_OBJECT
public:
    MenuBarPane(const PanelEnv& env, MenuBarPreviewSource preview, QWidget* parent = nullptr);

    // The edits, each one write of the whole configuration.
    void move(const std::set<std::size_t>& sources, std::size_t destination);
    void step(ModuleKind kind, int by);
    ModuleConfig binding(ModuleKind kind) const;
    void setBinding(ModuleKind kind, const ModuleConfig& value);

    // The labels of the temperature picker: "Hottest CPU sensor", then "name (key)".
    static QStringList sensorChoices(const std::vector<QString>& names,
                                     const std::vector<QString>& keys);

    std::vector<ModuleRow*> enabledRows() const { return enabledRows_; }
    std::vector<ModuleRow*> hiddenRows() const { return hiddenRows_; }
    QWidget* enabledList() const { return enabledList_; }
    QWidget* hiddenHeader() const { return hiddenHeader_; }
    QLabel* hiddenNamesLabel() const { return hiddenNames_; }
    QLabel* hiddenCountLabel() const { return hiddenCount_; }
    bool showsHidden() const { return showHidden_; }
    void setShowHidden(bool show);
    // The row's context menu ("Move Up", "Move Down"), made on demand.
    QMenu* contextMenu(ModuleRow* row, QWidget* parent);
    MenuBarPreview* preview() const { return preview_; }
    SwitchToggle* monochromeToggle() const { return monochrome_; }
    QComboBox* sensorPicker() const { return sensor_; }
    QComboBox* sensorModePicker() const { return sensorMode_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildModules();
    void refreshOptions();

    PanelEnv env_;
    bool showHidden_ = false;
    MenuBarPreview* preview_;
    QVBoxLayout* moduleHost_;
    QWidget* modules_ = nullptr;
    QWidget* enabledList_ = nullptr;
    QWidget* hiddenHeader_ = nullptr;
    QLabel* hiddenNames_ = nullptr;
    QLabel* hiddenCount_ = nullptr;
    SymbolIcon* chevron_ = nullptr;
    std::vector<ModuleRow*> enabledRows_;
    std::vector<ModuleRow*> hiddenRows_;
    SwitchToggle* monochrome_;
    QComboBox* sensor_;
    QComboBox* sensorMode_;
    std::vector<QString> sensorKeys_;
};

} // namespace morvanex::ui
