#include "ui/settings/GeneralPane.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Fmt.h"
#include "base/ShownText.h"
#include "history/HistoryStore.h"
#include "ui/kit/AppearancePicker.h"
#include "ui/kit/Fonts.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/SwitchToggle.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace morvanex::ui {
namespace {

QComboBox* picker(const QStringList& labels) {
    auto* box = new QComboBox;
    box->addItems(labels);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

template <typename E> void bindEnumPicker(QComboBox* box, AppSettings& settings, E Config::*field) {
    QObject::connect(box, &QComboBox::activated, box, [&settings, field](int index) {
        const auto& cases = allCases<E>();
        if (index < 0 || std::size_t(index) >= cases.size())
            return;
        settings.update([&](Config& c) { c.*field = cases[std::size_t(index)]; });
    });
}

template <typename E> int caseIndex(E value) {
    const auto& cases = allCases<E>();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i] == value)
            return int(i);
    }
    return -1;
}

} // namespace

const std::vector<std::pair<QString, double>>& GeneralPane::intervalChoices() {
    static const std::vector<std::pair<QString, double>> choices = {
        {QStringLiteral("1 second"), 1.0},    {QStringLiteral("2 seconds"), 2.0},
        {QStringLiteral("3 seconds"), 3.0},   {QStringLiteral("5 seconds"), 5.0},
        {QStringLiteral("10 seconds"), 10.0},
    };
    return choices;
}

std::optional<int> GeneralPane::intervalIndex(double seconds) {
    const auto& choices = intervalChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].second == seconds)
            return int(i);
    }
    return std::nullopt;
}

bool GeneralPane::defaultConfirmClear(QWidget* parent) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Clear all graph history?"));
    box.setText(QStringLiteral("Clear all graph history?"));
    box.setInformativeText(
        QStringLiteral("The 1H, 24H, 7D and 30D graphs will start again from now."));
    QPushButton* clear =
        box.addButton(QStringLiteral("Clear History"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == clear;
}

GeneralPane::GeneralPane(const PanelEnv& env, QWidget* parent)
    : GeneralPane(env, Sources{}, parent) {}

GeneralPane::GeneralPane(const PanelEnv& env, Sources sources, QWidget* parent)
    : QWidget(parent), env_(env), sources_(std::move(sources)) {
    AppSettings& settings = *env.settings;
    const Appearance appearance = env.appearance;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(appearance, this);
    layout->addWidget(form);

    // Appearance.
    FormSection* look = form->addSection();
    auto* appearancePicker = new AppearancePicker(sources_.defaults);
    appearancePicker->setAppearance(appearance);
    appearancePicker->setApply(sources_.applyAppearance);
    look->addLabeledRow(QStringLiteral("Appearance"), appearancePicker);
    look->setFooter(QStringLiteral(
        "Applies to the dropdowns and this window. Menu bar items follow the menu bar."));

    // Login and interval.
    FormSection* general = form->addSection();
    auto* loginRow = new QWidget;
    auto* loginLayout = new QVBoxLayout(loginRow);
    loginLayout->setContentsMargins(0, 0, 0, 0);
    loginLayout->setSpacing(4);
    auto* toggleLine = new QWidget(loginRow);
    auto* toggleLayout = new QHBoxLayout(toggleLine);
    toggleLayout->setContentsMargins(0, 0, 0, 0);
    toggleLayout->addWidget(
        formLabel(QStringLiteral("Open at Login"), 13, Tint::primaryText, appearance, toggleLine));
    toggleLayout->addStretch(1);
    login_ = new SwitchToggle(appearance, false, toggleLine);
    login_->setAccessibleName(QStringLiteral("Open at Login"));
    login_->setChecked(sources_.autostart.isEnabled());
    toggleLayout->addWidget(login_);
    loginLayout->addWidget(toggleLine);
    loginError_ = formLabel(QString(), 10, Tint::red, appearance, loginRow, true);
    loginError_->hide();
    loginLayout->addWidget(loginError_);
    general->addRow(loginRow);
    connect(login_, &QAbstractButton::toggled, this, &GeneralPane::loginChanged);

    QStringList intervalLabels;
    for (const auto& [label, seconds] : intervalChoices())
        intervalLabels << label;
    interval_ = picker(intervalLabels);
    general->addLabeledRow(QStringLiteral("Update interval"), interval_);
    connect(interval_, &QComboBox::activated, this, [&settings](int index) {
        const auto& choices = intervalChoices();
        if (index >= 0 && std::size_t(index) < choices.size())
            settings.update(
                [&](Config& c) { c.updateInterval = choices[std::size_t(index)].second; });
    });

    // Units.
    FormSection* units = form->addSection(QStringLiteral("Units"));
    temperature_ = picker({QStringLiteral("Celsius (°C)"), QStringLiteral("Fahrenheit (°F)"),
                           QStringLiteral("Kelvin (K)")});
    units->addLabeledRow(QStringLiteral("Temperature"), temperature_);
    bindEnumPicker(temperature_, settings, &Config::temperatureUnit);
    bandwidth_ =
        picker({QStringLiteral("Bytes (KB/s, MB/s)"), QStringLiteral("Bits (Kb/s, Mb/s)")});
    units->addLabeledRow(QStringLiteral("Bandwidth"), bandwidth_);
    connect(bandwidth_, &QComboBox::activated, this, [&settings](int index) {
        if (index == 0 || index == 1)
            settings.update([&](Config& c) { c.bandwidthBits = index == 1; });
    });
    wind_ = picker({QStringLiteral("km/h"), QStringLiteral("mph"), QStringLiteral("m/s"),
                    QStringLiteral("kn")});
    units->addLabeledRow(QStringLiteral("Wind speed"), wind_);
    bindEnumPicker(wind_, settings, &Config::windUnit);

    // Graph history, only with a store.
    if (env.hub && env.hub->history) {
        FormSection* history = form->addSection();
        auto* content = new QWidget;
        auto* contentLayout = new QHBoxLayout(content);
        contentLayout->setContentsMargins(0, 0, 0, 0);
        contentLayout->setSpacing(10);
        historySize_ = formLabel(QString(), 13, Tint::secondaryText, appearance, content);
        contentLayout->addWidget(historySize_, 0, Qt::AlignVCenter);
        clearHistory_ = new QPushButton(QStringLiteral("Clear History…"), content);
        contentLayout->addWidget(clearHistory_, 0, Qt::AlignVCenter);
        history->addLabeledRow(QStringLiteral("Graph history"), content);
        history->setFooter(
            QStringLiteral("Morvanex keeps 30 days of graph history on this computer, "
                           "for the 1H · 24H · 7D · 30D ranges in the dropdowns."));
        connect(clearHistory_, &QPushButton::clicked, this, &GeneralPane::clearHistory);
        connect(env.hub, &Hub::changed, this, &GeneralPane::refreshHistorySize);
        refreshHistorySize();
    }

    // Network and disks.
    FormSection* network = form->addSection(QStringLiteral("Network & Disks"));
    ping_ = new QLineEdit;
    ping_->setMinimumWidth(180);
    // No host name is longer; a stored text of megabytes is shown cut, not laid out whole.
    ping_->setMaxLength(int(shownTextLimit));
    network->addLabeledRow(QStringLiteral("Ping address"), ping_);
    connect(ping_, &QLineEdit::textEdited, this, [&settings](const QString& text) {
        settings.update([&](Config& c) { c.pingHost = text; });
    });
    networkDisks_ = new SwitchToggle(appearance);
    network->addLabeledRow(QStringLiteral("Show network disks"), networkDisks_);
    connect(networkDisks_, &QAbstractButton::clicked, this,
            [&settings](bool on) { settings.update([&](Config& c) { c.showNetworkDisks = on; }); });
    removableDisks_ = new SwitchToggle(appearance);
    network->addLabeledRow(QStringLiteral("Show removable disks"), removableDisks_);
    connect(removableDisks_, &QAbstractButton::clicked, this, [&settings](bool on) {
        settings.update([&](Config& c) { c.showRemovableDisks = on; });
    });

    // What needs root here: setting fan speeds, a disk's S.M.A.R.T. records and the traffic
    // of each process take privileges, and other users' processes are listed but their disk
    // activity (/proc/PID/io) is theirs and root's alone, as is ending them.
    FormSection* notice = form->addSection(QStringLiteral("Not available without root"));
    notice->addRow(formLabel(
        QStringLiteral("Fan control, S.M.A.R.T. disk health and per-process network usage need "
                       "root privileges, as do the disk activity of other users' processes and "
                       "quitting them. Morvanex runs as you and never asks for root."),
        10, Tint::secondaryText, appearance, nullptr, true));
    form->finish();

    settings.addObserver(this, [this](const Config&, const Config&) { refresh(); });
    refresh();
}

void GeneralPane::loginChanged(bool on) {
    // Setting the toggle back after a failure is no request of the user's.
    if (correctingLogin_)
        return;
    const std::optional<QString> error =
        on ? sources_.autostart.enable() : sources_.autostart.disable();
    if (!error) {
        loginError_->hide();
        loginError_->clear();
        return;
    }
    loginError_->setText(*error);
    loginError_->show();
    correctingLogin_ = true;
    login_->setChecked(sources_.autostart.isEnabled());
    correctingLogin_ = false;
}

void GeneralPane::clearHistory() {
    if (!env_.hub || !env_.hub->history || !sources_.confirmClear(this))
        return;
    QPointer<GeneralPane> self(this);
    env_.hub->history->clear([self] {
        if (!self)
            return;
        self->clearedSize_ = HistoryStore::fileSize();
        self->refreshHistorySize();
    });
}

void GeneralPane::refreshHistorySize() {
    if (!historySize_)
        return;
    const std::int64_t size = clearedSize_.value_or(HistoryStore::fileSize());
    historySize_->setText(Fmt::bytes(double(size), 1000));
}

void GeneralPane::refresh() {
    const Config& config = env_.settings->config();
    const QSignalBlocker b1(interval_), b2(temperature_), b3(bandwidth_), b4(wind_);
    interval_->setCurrentIndex(intervalIndex(config.updateInterval).value_or(-1));
    temperature_->setCurrentIndex(caseIndex(config.temperatureUnit));
    bandwidth_->setCurrentIndex(config.bandwidthBits ? 1 : 0);
    wind_->setCurrentIndex(caseIndex(config.windUnit));
    if (const QString shown = config.pingHost.left(ping_->maxLength()); ping_->text() != shown)
        ping_->setText(shown);
    networkDisks_->setChecked(config.showNetworkDisks);
    removableDisks_->setChecked(config.showRemovableDisks);
}

} // namespace morvanex::ui
