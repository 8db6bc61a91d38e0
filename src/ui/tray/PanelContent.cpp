#include "ui/tray/PanelContent.h"

#include "app/Hub.h"
#include "base/AppActions.h"
#include "base/AppSettings.h"
#include "ui/kit/BackRow.h"
#include "ui/kit/Clipboard.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/panels/AstronomyPanel.h"
#include "ui/panels/BatteryPanel.h"
#include "ui/panels/DevicePanel.h"
#include "ui/panels/DisksPanel.h"
#include "ui/panels/GPUPanel.h"
#include "ui/panels/MemoryPanel.h"
#include "ui/panels/NetworkPanel.h"
#include "ui/panels/ProcessorPanel.h"
#include "ui/panels/SensorsPanel.h"
#include "ui/panels/TimePanel.h"
#include "ui/panels/WeatherPanel.h"
#include "ui/panels/overview/CombinedPanel.h"
#include "ui/tray/PanelFooterItems.h"

#include <QTimer>
#include <QVBoxLayout>

namespace morvanex::ui {

PanelContent::PanelContent(ModuleKind kind, PanelEnv env, QWidget* parent)
    : QWidget(parent), kind_(kind), env_(std::move(env)) {
    // 340 wide, less a scroll bar's width while the dropdown is capped and scrolls.
    setMaximumWidth(panelWidth);
    column_ = new QVBoxLayout(this);
    column_->setSpacing(spacing);
    column_->setContentsMargins(10, 6, 10, 6);
    rebuild();
}

ModuleKind PanelContent::shownKind(ModuleKind kind, std::optional<ModuleKind> detail,
                                   const PreviewOverrides& preview) {
    if (detail)
        return *detail;
    if (kind != ModuleKind::combined)
        return kind;
    return preview.overviewDetail.value_or(ModuleKind::combined);
}

std::optional<QString> PanelContent::shownDeviceID(ModuleKind kind,
                                                   const std::optional<QString>& device,
                                                   const PreviewOverrides& preview) {
    if (device)
        return device;
    if (kind != ModuleKind::combined)
        return std::nullopt;
    return preview.overviewDevice;
}

QString PanelContent::backTitle(ModuleKind kind) {
    return kind == ModuleKind::combined ? QStringLiteral("Overview") : title(kind);
}

ModuleKind PanelContent::shown() const {
    return shownKind(kind_, detail_, env_.previewOverrides);
}

std::optional<QString> PanelContent::shownDevice() const {
    return shownDeviceID(kind_, device_, env_.previewOverrides);
}

std::vector<FooterItem> PanelContent::footerItems() const {
    FooterActions actions;
    actions.dismiss = env_.panelActions.dismiss;
    actions.openSettings = [] { AppActions::openSettings(); };
    actions.selectSettingsPane = [](const QString& pane) {
        PanelDefaults::shared().setValue(PanelKeys::settingsPane, pane);
    };
    actions.openLink = env_.openLink;
    actions.linkName = env_.linkName;
    actions.copy = [](const QString& text) { copyToClipboard(text); };
    Hub* hub = env_.hub;
    AppSettings* settings = env_.settings;
    actions.refreshWeather = [hub, settings] {
        if (hub && settings)
            hub->weather.refreshIfNeeded(settings->config().weatherLocation, true);
    };
    const std::optional<QString> address =
        hub ? copyableLocalAddress(hub->network) : std::optional<QString>();
    const bool device = shownDevice().has_value();
    return ui::footerItems(device ? std::nullopt : std::optional(shown()), device, address,
                           actions);
}

int PanelContent::naturalHeight() const {
    return hasHeightForWidth() ? heightForWidth(panelWidth) : sizeHint().height();
}

void PanelContent::openModule(ModuleKind kind, std::optional<std::int32_t> process) {
    detail_ = kind;
    highlighted_ = process;
    rebuildSoon();
}

void PanelContent::openDevice(const QString& identifier) {
    device_ = identifier;
    rebuildSoon();
}

void PanelContent::goBack() {
    detail_.reset();
    device_.reset();
    highlighted_.reset();
    rebuildSoon();
}

void PanelContent::rebuildSoon() {
    if (rebuildPending_)
        return;
    rebuildPending_ = true;
    QTimer::singleShot(0, this, [this] {
        rebuildPending_ = false;
        rebuild();
    });
}

PanelEnv PanelContent::panelEnv() {
    PanelEnv env = env_;
    QPointer<PanelContent> self(this);
    env.openModule.action = [self](ModuleKind kind, std::optional<std::int32_t> process) {
        if (self)
            self->openModule(kind, process);
    };
    env.openDevice.action = [self](const QString& identifier) {
        if (self)
            self->openDevice(identifier);
    };
    env.highlightedProcess = highlighted_ ? highlighted_ : env_.previewOverrides.highlightedProcess;
    return env;
}

QWidget* PanelContent::makePanel(const PanelEnv& env) const {
    if (const std::optional<QString> device = shownDevice())
        return new DevicePanel(env, *device);
    switch (shown()) {
    case ModuleKind::combined:
        return new CombinedPanel(env);
    case ModuleKind::cpu:
        return new CPUPanel(env);
    case ModuleKind::gpu:
        return new GPUPanel(env);
    case ModuleKind::memory:
        return new MemoryPanel(env);
    case ModuleKind::disks:
        return new DisksPanel(env);
    case ModuleKind::network:
        return new NetworkPanel(env);
    case ModuleKind::sensors:
        return new SensorsPanel(env);
    case ModuleKind::battery:
        return new BatteryPanel(env);
    case ModuleKind::weather:
        return new WeatherPanel(env);
    case ModuleKind::astronomy:
        return new AstronomyPanel(env);
    case ModuleKind::time:
        return new TimePanel(env);
    }
    return new QWidget;
}

void PanelContent::rebuild() {
    while (QLayoutItem* item = column_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    backRow_ = nullptr;

    if (shown() != kind_ || shownDevice()) {
        QPointer<PanelContent> self(this);
        backRow_ = new BackRow(
            backTitle(kind_),
            [self] {
                if (self)
                    self->goBack();
            },
            env_.appearance, this);
        column_->addWidget(backRow_, 0, Qt::AlignLeft);
    }
    panel_ = makePanel(panelEnv());
    panel_->setParent(this);
    column_->addWidget(panel_);
    footer_ = new PanelFooter(footerItems(), env_.appearance, this);
    column_->addWidget(footer_);
    updateGeometry();
}

} // namespace morvanex::ui
