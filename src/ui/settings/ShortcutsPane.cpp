#include "ui/settings/ShortcutsPane.h"

#include "base/AppSettings.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/ShortcutBindings.h"
#include "ui/settings/ShortcutRecorder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvanex::ui {
namespace {

// The row's label: the action's symbol in a 22-point column, then its title.
QWidget* actionLabel(const HotKeyAction& action, Appearance appearance) {
    auto* label = new QWidget;
    auto* layout = new QHBoxLayout(label);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* icon = new SymbolIcon(ShortcutBindings::symbol(action), 13,
                                color(Tint::secondaryText, appearance), label);
    auto* column = new QWidget(label);
    column->setFixedWidth(22);
    auto* columnLayout = new QHBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->addWidget(icon, 0, Qt::AlignCenter);
    layout->addWidget(column);
    layout->addWidget(
        formLabel(ShortcutBindings::title(action), 13, Tint::primaryText, appearance, label));
    return label;
}

} // namespace

ShortcutsPane::ShortcutsPane(const PanelEnv& env, HotKeyCenter& hotKeys, QWidget* parent)
    : QWidget(parent), env_(env), hotKeys_(hotKeys), session_(*env.settings, hotKeys) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(env.appearance, this);
    layout->addWidget(form);

    std::vector<HotKeyAction> dropdowns;
    std::vector<HotKeyAction> others;
    for (const HotKeyAction& action : HotKeyAction::all())
        (action.kind == HotKeyAction::Kind::dropdown ? dropdowns : others).push_back(action);

    const auto addRows = [&](FormSection* section, const std::vector<HotKeyAction>& actions) {
        for (const HotKeyAction& action : actions) {
            ShortcutRecorder::Callbacks callbacks;
            callbacks.onStart = [this, action] {
                session_.start(action);
                refresh();
            };
            callbacks.onRecord = [this, action](std::optional<HotKey> key) {
                session_.assign(key, action);
                refresh();
            };
            callbacks.onCancel = [this] {
                session_.cancel();
                refresh();
            };
            auto* recorder = new ShortcutRecorder(env.appearance, std::move(callbacks));
            recorders_[action.id()] = recorder;
            auto* row = new QWidget;
            auto* rowLayout = new QHBoxLayout(row);
            rowLayout->setContentsMargins(0, 0, 0, 0);
            rowLayout->addWidget(actionLabel(action, env.appearance));
            rowLayout->addStretch(1);
            recorder->setParent(row);
            rowLayout->addWidget(recorder);
            section->addRow(row);
        }
    };

    FormSection* open = form->addSection(QStringLiteral("Open a dropdown"));
    addRows(open, dropdowns);
    open->setFooter(QStringLiteral(
        "Works from any app. Press the shortcut again to close the dropdown. Items that aren't "
        "in the menu bar open under the leftmost Morvanex item."));

    FormSection* actions = form->addSection(QStringLiteral("Actions"));
    addRows(actions, others);

    FormSection* last = form->addSection();
    // The note (when there is one) above the button, in one row.
    auto* lastRow = new QWidget;
    auto* lastLayout = new QVBoxLayout(lastRow);
    lastLayout->setContentsMargins(0, 0, 0, 0);
    lastLayout->setSpacing(8);
    note_ = formLabel(QString(), 11, Tint::secondaryText, env.appearance, lastRow, true);
    lastLayout->addWidget(note_);
    clearAll_ = new QPushButton(QStringLiteral("Clear All Shortcuts"), lastRow);
    lastLayout->addWidget(clearAll_, 0, Qt::AlignLeft);
    last->addRow(lastRow);
    last->setFooter(QStringLiteral(
        "Click a shortcut, then press the keys. It needs Ctrl, Alt or Super (function keys work "
        "alone). Esc cancels, Delete clears. The desktop's own shortcuts, like Super+Space for the "
        "input source, win over Morvanex's, so pick combinations they don't use."));
    connect(clearAll_, &QPushButton::clicked, this, [this] {
        session_.clearAll();
        refresh();
    });
    form->finish();

    env.settings->addObserver(this, [this](const Config&, const Config&) { refresh(); });
    refresh();
}

ShortcutRecorder* ShortcutsPane::recorder(const HotKeyAction& action) const {
    const auto it = recorders_.find(action.id());
    return it == recorders_.end() ? nullptr : it->second;
}

void ShortcutsPane::refresh() {
    const Config& config = env_.settings->config();
    for (const auto& [id, recorder] : recorders_) {
        const auto it = config.hotKeys.find(id);
        const std::optional<HotKey> key =
            it == config.hotKeys.end() ? std::nullopt : std::optional<HotKey>(it->second);
        recorder->setState(key, session_.recording() == id, hotKeys_.failed.count(id) > 0);
    }
    note_->setText(session_.note().value_or(QString()));
    note_->setVisible(session_.note().has_value());
    clearAll_->setEnabled(!config.hotKeys.empty());
}

} // namespace morvanex::ui
