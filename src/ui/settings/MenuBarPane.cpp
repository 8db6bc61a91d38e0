#include "ui/settings/MenuBarPane.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/MenuBarPreview.h"
#include "ui/settings/ModuleList.h"
#include "ui/settings/ModuleRow.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/SwitchToggle.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace morvanex::ui {
namespace {

constexpr int rowHeight = 40;

// The enabled rows' list: takes drops of rows and turns the drop point into a destination.
class EnabledList : public QWidget {
public:
    EnabledList(std::function<void(ModuleKind, std::size_t)> drop, QWidget* parent)
        : QWidget(parent), drop_(std::move(drop)) {
        setAcceptDrops(true);
    }
    std::vector<ModuleKind> kinds;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasFormat(ModuleRow::mimeType))
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const auto kind = fromRawValue<ModuleKind>(
            QString::fromUtf8(event->mimeData()->data(ModuleRow::mimeType)));
        if (!kind)
            return;
        const double y = event->position().y();
        const std::size_t destination =
            std::size_t(std::clamp(int((y + rowHeight / 2.0) / rowHeight), 0, int(kinds.size())));
        event->acceptProposedAction();
        drop_(*kind, destination);
    }

private:
    std::function<void(ModuleKind, std::size_t)> drop_;
};

} // namespace

MenuBarPane::MenuBarPane(const PanelEnv& env, MenuBarPreviewSource preview, QWidget* parent)
    : QWidget(parent), env_(env) {
    const Appearance appearance = env.appearance;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(appearance, this);
    layout->addWidget(form);

    auto* previewBlock = new QWidget;
    auto* previewLayout = new QVBoxLayout(previewBlock);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->setSpacing(8);
    preview_ = new MenuBarPreview(env, std::move(preview), previewBlock);
    previewLayout->addWidget(preview_);
    QLabel* caption = formLabel(
        QStringLiteral("Drag to reorder. Items appear in the menu bar from left to right."), 11,
        Tint::secondaryText, appearance, previewBlock, true);
    caption->setContentsMargins(4, 0, 4, 0);
    previewLayout->addWidget(caption);
    form->addWidget(previewBlock);

    // The module section is rebuilt from the configuration after every change.
    FormSection* modules = form->addSection();
    auto* host = new QWidget;
    moduleHost_ = new QVBoxLayout(host);
    moduleHost_->setContentsMargins(0, 0, 0, 0);
    modules->addRow(host);

    FormSection* options = form->addSection();
    monochrome_ = new SwitchToggle(appearance);
    options->addLabeledRow(QStringLiteral("Monochrome menu bar"), monochrome_);
    connect(monochrome_, &QAbstractButton::clicked, this,
            [this](bool on) { env_.settings->update([&](Config& c) { c.monochrome = on; }); });
    sensor_ = new QComboBox;
    sensor_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    options->addLabeledRow(QStringLiteral("Menu bar temperature"), sensor_);
    connect(sensor_, &QComboBox::activated, this, [this](int index) {
        std::optional<QString> key;
        if (index > 0 && std::size_t(index) <= sensorKeys_.size())
            key = sensorKeys_[std::size_t(index - 1)];
        else if (index != 0)
            return;
        env_.settings->update([&](Config& c) { c.menubarSensorKey = key; });
    });
    sensorMode_ = new QComboBox;
    sensorMode_->addItems({QStringLiteral("Simple"), QStringLiteral("Detailed")});
    options->addLabeledRow(QStringLiteral("Sensors dropdown"), sensorMode_);
    connect(sensorMode_, &QComboBox::activated, this, [this](int index) {
        if (index == 0 || index == 1)
            env_.settings->update([&](Config& c) {
                c.sensorMode = index == 0 ? SensorMode::simple : SensorMode::detailed;
            });
    });
    form->finish();

    env.settings->addObserver(this, [this](const Config&, const Config&) {
        rebuildModules();
        refreshOptions();
    });
    if (env.hub)
        connect(env.hub, &Hub::changed, this, &MenuBarPane::refreshOptions);
    rebuildModules();
    refreshOptions();
}

void MenuBarPane::move(const std::set<std::size_t>& sources, std::size_t destination) {
    const auto modules = ModuleList::move(env_.settings->config().modules, sources, destination);
    env_.settings->update([&](Config& c) { c.modules = modules; });
}

void MenuBarPane::step(ModuleKind kind, int by) {
    if (const auto modules = ModuleList::step(env_.settings->config().modules, kind, by))
        env_.settings->update([&](Config& c) { c.modules = *modules; });
}

ModuleConfig MenuBarPane::binding(ModuleKind kind) const {
    return ModuleList::read(env_.settings->config().modules, kind);
}

void MenuBarPane::setBinding(ModuleKind kind, const ModuleConfig& value) {
    if (const auto modules = ModuleList::write(env_.settings->config().modules, kind, value))
        env_.settings->update([&](Config& c) { c.modules = *modules; });
}

QStringList MenuBarPane::sensorChoices(const std::vector<QString>& names,
                                       const std::vector<QString>& keys) {
    QStringList out{QStringLiteral("Hottest CPU sensor")};
    for (std::size_t i = 0; i < names.size() && i < keys.size(); ++i)
        out << names[i] + QStringLiteral(" (") + keys[i] + QStringLiteral(")");
    return out;
}

void MenuBarPane::setShowHidden(bool show) {
    showHidden_ = show;
    rebuildModules();
}

QMenu* MenuBarPane::contextMenu(ModuleRow* row, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const ModuleKind kind = row->module().kind;
    const std::vector<ModuleConfig> on = ModuleList::enabled(env_.settings->config().modules);
    QAction* up =
        menu->addAction(QStringLiteral("Move Up"), this, [this, kind] { step(kind, -1); });
    up->setEnabled(!on.empty() && on.front().kind != kind);
    QAction* down =
        menu->addAction(QStringLiteral("Move Down"), this, [this, kind] { step(kind, +1); });
    down->setEnabled(!on.empty() && on.back().kind != kind);
    return menu;
}

bool MenuBarPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        for (ModuleRow* row : enabledRows_) {
            if (row == watched) {
                QMenu* menu = contextMenu(row, this);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
                return true;
            }
        }
    }
    if (watched == hiddenHeader_ && event->type() == QEvent::MouseButtonRelease) {
        setShowHidden(!showHidden_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MenuBarPane::rebuildModules() {
    // The old rows may be the ones whose signal led here: they go once control returns.
    if (modules_) {
        modules_->hide();
        modules_->deleteLater();
    }
    enabledRows_.clear();
    hiddenRows_.clear();
    const Appearance appearance = env_.appearance;
    const std::vector<ModuleConfig>& all = env_.settings->config().modules;
    modules_ = new QWidget;
    auto* layout = new QVBoxLayout(modules_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const auto write = [this](ModuleKind kind) {
        return [this, kind](const ModuleConfig& value) { setBinding(kind, value); };
    };

    const std::vector<ModuleConfig> on = ModuleList::enabled(all);
    auto* list = new EnabledList(
        [this](ModuleKind kind, std::size_t destination) {
            const auto enabled = ModuleList::enabled(env_.settings->config().modules);
            for (std::size_t i = 0; i < enabled.size(); ++i) {
                if (enabled[i].kind == kind)
                    move({i}, destination);
            }
        },
        modules_);
    enabledList_ = list;
    list->setFixedHeight(int(on.size()) * rowHeight);
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    for (const ModuleConfig& m : on) {
        list->kinds.push_back(m.kind);
        auto* row = new ModuleRow(m, write(m.kind), true, appearance, list);
        row->setContentsMargins(0, 4, 0, 4);
        row->setFixedHeight(rowHeight);
        row->installEventFilter(this);
        enabledRows_.push_back(row);
        listLayout->addWidget(row);
    }
    layout->addWidget(list);

    const std::vector<ModuleConfig> off = ModuleList::disabled(all);
    hiddenHeader_ = nullptr;
    hiddenNames_ = nullptr;
    hiddenCount_ = nullptr;
    if (!off.empty()) {
        auto* header = new QWidget(modules_);
        header->setCursor(Qt::PointingHandCursor);
        header->setAccessibleDescription(QStringLiteral("button"));
        header->setFixedHeight(32);
        auto* headerLayout = new QHBoxLayout(header);
        headerLayout->setContentsMargins(0, 0, 0, 0);
        headerLayout->setSpacing(8);
        hiddenNames_ =
            formLabel(ModuleList::hiddenNames(all), 13, Tint::secondaryText, appearance, header);
        hiddenNames_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        hiddenNames_->setMinimumWidth(40);
        headerLayout->addWidget(hiddenNames_, 1);
        hiddenCount_ =
            formLabel(showHidden_ ? QStringLiteral("Hide") : ModuleList::hiddenCount(off.size()),
                      12, Tint::secondaryText, appearance, header);
        headerLayout->addWidget(hiddenCount_);
        chevron_ = new SymbolIcon(QStringLiteral("chevron.right"), 10,
                                  color(Tint::tertiaryText, appearance), header);
        chevron_->setRotation(showHidden_ ? 90 : 0);
        headerLayout->addWidget(chevron_);
        header->installEventFilter(this);
        hiddenHeader_ = header;
        layout->addWidget(header);
        if (showHidden_) {
            for (const ModuleConfig& m : off) {
                auto* row = new ModuleRow(m, write(m.kind), false, appearance, modules_);
                hiddenRows_.push_back(row);
                layout->addWidget(row);
            }
        }
    }
    moduleHost_->addWidget(modules_);
}

void MenuBarPane::refreshOptions() {
    const Config& config = env_.settings->config();
    monochrome_->setChecked(config.monochrome);
    std::vector<QString> names;
    std::vector<QString> keys;
    if (env_.hub) {
        for (const Sensor& sensor : env_.hub->sensors.sensors) {
            if (sensor.kind == SensorKind::temperature) {
                names.push_back(sensor.name);
                keys.push_back(sensor.key);
            }
        }
    }
    const QSignalBlocker blockSensor(sensor_);
    const QStringList labels = sensorChoices(names, keys);
    QStringList current;
    for (int i = 0; i < sensor_->count(); ++i)
        current << sensor_->itemText(i);
    if (current != labels) {
        sensor_->clear();
        sensor_->addItems(labels);
    }
    sensorKeys_ = keys;
    int selected = -1;
    if (!config.menubarSensorKey) {
        selected = 0;
    } else {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == *config.menubarSensorKey)
                selected = int(i) + 1;
        }
    }
    sensor_->setCurrentIndex(selected);
    const QSignalBlocker blockMode(sensorMode_);
    sensorMode_->setCurrentIndex(config.sensorMode == SensorMode::simple ? 0 : 1);
}

} // namespace morvanex::ui
