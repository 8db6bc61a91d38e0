#pragma once

#include "base/SettingsRecords.h"
#include "ui/kit/Palette.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;

namespace morvanex::ui {

class SwitchToggle;

// One module of the Menu Bar pane: drag handle, tile, name, style picker and switch. It shows
// a copy of the entry and hands every edit to `write` as the whole new entry.
class ModuleRow : public QWidget {
    Q_OBJECT
public:
    static inline const QString mimeType = QStringLiteral("application/x-morvanex-module");

    ModuleRow(const ModuleConfig& module, std::function<void(const ModuleConfig&)> write,
              bool showsHandle, Appearance appearance, QWidget* parent = nullptr);

    const ModuleConfig& module() const { return module_; }
    QComboBox* stylePicker() const { return style_; }
    SwitchToggle* toggle() const { return toggle_; }
    QLabel* nameLabel() const { return name_; }
    bool showsHandle() const { return showsHandle_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    ModuleConfig module_;
    std::function<void(const ModuleConfig&)> write_;
    bool showsHandle_;
    QComboBox* style_;
    SwitchToggle* toggle_;
    QLabel* name_;
    QPoint pressedAt_;
    bool pressed_ = false;
};

} // namespace morvanex::ui
