#include "ui/settings/NotificationsPane.h"

#include "app/RuleEngine.h"
#include "base/AppSettings.h"
#include "platform/Notifier.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/PaneForm.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

namespace morvanex::ui {

NotificationsPane::Hooks NotificationsPane::Hooks::system() {
    Hooks hooks;
    hooks.isAvailable = [] { return Notifier::shared().isAvailable(); };
    hooks.post = [](const QString& title, const QString& body) {
        Notifier::shared().post(title, body);
    };
    return hooks;
}

NotificationsPane::Status NotificationsPane::status(bool available, bool denied) {
    if (!available)
        return Status::notAvailable;
    return denied ? Status::denied : Status::none;
}

QString NotificationsPane::comparisonLabel(Comparison comparison) {
    return comparison == Comparison::above ? QStringLiteral("is above")
                                           : QStringLiteral("is below");
}

std::optional<double> NotificationsPane::parseNumber(const QString& text, const QLocale& locale) {
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    // An infinite threshold could not be saved: the stored record has finite numbers only.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString NotificationsPane::numberText(double value, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', QLocale::FloatingPointShortest);
}

Rule NotificationsPane::newRule() {
    Rule rule;
    rule.id = QUuid::createUuid();
    rule.enabled = true;
    rule.metric = RuleMetric::cpu;
    rule.comparison = Comparison::above;
    rule.threshold = 80;
    rule.duration = 30;
    return rule;
}

void NotificationsPane::addRule(Config& config) {
    config.rules.push_back(newRule());
}

void NotificationsPane::deleteRule(Config& config, const QUuid& id) {
    std::erase_if(config.rules, [&id](const Rule& rule) { return rule.id == id; });
}

NotificationsPane::NotificationsPane(const PanelEnv& env, QWidget* parent)
    : NotificationsPane(env, Hooks::system(), parent) {}

NotificationsPane::NotificationsPane(const PanelEnv& env, Hooks hooks, QWidget* parent)
    : QWidget(parent), env_(env), hooks_(std::move(hooks)) {
    editor_ =
        std::make_unique<PaneEditor>(this, *env_.settings, env_.appearance, [this] { rebuild(); });
    rebuild();
}

void NotificationsPane::edit(const std::function<void(Config&)>& change, bool redraw) {
    editor_->edit(change, redraw);
}

void NotificationsPane::editRule(const QUuid& id, const std::function<void(Rule&)>& change,
                                 bool redraw) {
    edit(
        [&](Config& config) {
            for (Rule& rule : config.rules)
                if (rule.id == id)
                    change(rule);
        },
        redraw);
}

void NotificationsPane::rebuild() {
    const Appearance appearance = env_.appearance;
    const Config& config = env_.settings->config();
    PaneForm* form = editor_->host()->replaceForm();

    FormSection* rules =
        form->addSection(QStringLiteral("Rules — notify when a value crosses a threshold"));
    const bool available = hooks_.isAvailable && hooks_.isAvailable();
    switch (status(available, available && hooks_.isDenied && hooks_.isDenied())) {
    case Status::notAvailable: {
        QLabel* note =
            formText(QStringLiteral("No notification service answers. Start your desktop's "
                                    "own, or install one such as dunst or "
                                    "notification-daemon."),
                     11, Tint::orange, appearance, QFont::Normal, true);
        note->setObjectName(QStringLiteral("statusNote"));
        rules->addRow(note);
        break;
    }
    case Status::denied: {
        auto* row = new QWidget;
        row->setObjectName(QStringLiteral("deniedRow"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(formText(QStringLiteral("Notifications are disabled for Morvanex."), 13,
                                 Tint::orange, appearance));
        line->addStretch(1);
        // Offered only where the desktop has a settings program to open.
        if (env_.linkName && env_.linkName(platform::SystemLink::notificationSettings)) {
            auto* open = new QPushButton(QStringLiteral("Open Notification Settings…"));
            connect(open, &QPushButton::clicked, this,
                    [this] { env_.openLink(platform::SystemLink::notificationSettings); });
            line->addWidget(open);
        }
        rules->addRow(row);
        break;
    }
    case Status::none:
        break;
    }
    for (const Rule& rule : config.rules)
        addRuleRow(rules, rule);
    auto* add = new QPushButton(QStringLiteral("Add Rule"));
    add->setObjectName(QStringLiteral("addRule"));
    connect(add, &QPushButton::clicked, this, [this] { edit(addRule, true); });
    auto* addRow = new QWidget;
    auto* addLine = new QHBoxLayout(addRow);
    addLine->setContentsMargins(0, 0, 0, 0);
    addLine->addWidget(add);
    addLine->addStretch(1);
    rules->addRow(addRow);

    FormSection* insights = form->addSection(QStringLiteral("Insights"));
    auto* insightSwitch = new QCheckBox(QStringLiteral("Notify me about insights"));
    insightSwitch->setObjectName(QStringLiteral("insightNotifications"));
    insightSwitch->setChecked(config.insightNotifications);
    connect(insightSwitch, &QCheckBox::toggled, this,
            [this](bool on) { edit([on](Config& c) { c.insightNotifications = on; }, false); });
    insights->addRow(insightSwitch);
    insights->setFooter(QStringLiteral(
        "The line at the top of the Overview, such as “Firefox has used 40% CPU for 5 min — fans "
        "are up.” At most one notification of each kind every 30 minutes."));

    FormSection* events = form->addSection(QStringLiteral("Events"));
    struct EventSwitch {
        const char* label;
        const char* name;
        bool EventToggles::*field;
    };
    static const EventSwitch switches[] = {
        {"Charger connected / disconnected", "powerSource", &EventToggles::powerSource},
        {"Battery fully charged", "batteryCharged", &EventToggles::batteryCharged},
        {"Wi-Fi network changed", "wifiChanged", &EventToggles::wifiChanged},
        {"Public IP address changed", "publicIPChanged", &EventToggles::publicIPChanged},
        {"Internet connection lost / restored", "internetStatus", &EventToggles::internetStatus},
        {"Primary network interface changed", "primaryInterface", &EventToggles::primaryInterface},
    };
    for (const EventSwitch& entry : switches) {
        auto* box = new QCheckBox(QString::fromUtf8(entry.label));
        box->setObjectName(QString::fromLatin1(entry.name));
        box->setChecked(config.events.*entry.field);
        const auto field = entry.field;
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            edit([field, on](Config& c) { c.events.*field = on; }, false);
        });
        events->addRow(box);
    }

    FormSection* test = form->addSection();
    auto* send = new QPushButton(QStringLiteral("Send Test Notification"));
    send->setObjectName(QStringLiteral("sendTest"));
    connect(send, &QPushButton::clicked, this, [this] {
        if (hooks_.post)
            hooks_.post(testTitle, testBody);
    });
    auto* sendRow = new QWidget;
    auto* sendLine = new QHBoxLayout(sendRow);
    sendLine->setContentsMargins(0, 0, 0, 0);
    sendLine->addWidget(send);
    sendLine->addStretch(1);
    test->addRow(sendRow);
}

void NotificationsPane::addRuleRow(FormSection* section, const Rule& rule) {
    const Appearance appearance = env_.appearance;
    const QUuid id = rule.id;
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("rule-") + id.toString(QUuid::WithoutBraces));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(6);

    auto* enabled = new QCheckBox;
    enabled->setObjectName(QStringLiteral("enabled"));
    enabled->setChecked(rule.enabled);
    connect(enabled, &QCheckBox::toggled, this, [this, id](bool on) {
        editRule(
            id, [on](Rule& r) { r.enabled = on; }, false);
    });
    line->addWidget(enabled);

    auto* metric = new QComboBox;
    metric->setObjectName(QStringLiteral("metric"));
    metric->setFixedWidth(150);
    for (const auto& [value, name] : EnumCases<RuleMetric>::cases)
        metric->addItem(title(value), QVariant::fromValue(int(value)));
    metric->setCurrentIndex(int(rule.metric));
    connect(metric, &QComboBox::activated, this, [this, id](int index) {
        // The unit beside the threshold follows the metric: draw the rows again.
        editRule(
            id, [index](Rule& r) { r.metric = RuleMetric(index); }, true);
    });
    line->addWidget(metric);

    auto* comparison = new QComboBox;
    comparison->setObjectName(QStringLiteral("comparison"));
    comparison->setFixedWidth(90);
    comparison->addItem(comparisonLabel(Comparison::above));
    comparison->addItem(comparisonLabel(Comparison::below));
    comparison->setCurrentIndex(rule.comparison == Comparison::above ? 0 : 1);
    connect(comparison, &QComboBox::activated, this, [this, id](int index) {
        editRule(
            id,
            [index](Rule& r) { r.comparison = index == 0 ? Comparison::above : Comparison::below; },
            false);
    });
    line->addWidget(comparison);

    const auto numberField = [this, id](const char* name, double value, int width,
                                        double Rule::*field) {
        auto* field_ = new QLineEdit(numberText(value));
        field_->setObjectName(QString::fromLatin1(name));
        field_->setFixedWidth(width);
        connect(field_, &QLineEdit::textEdited, this, [this, id, field](const QString& text) {
            if (const auto number = parseNumber(text))
                editRule(
                    id, [field, number](Rule& r) { r.*field = *number; }, false);
        });
        return field_;
    };
    line->addWidget(numberField("threshold", rule.threshold, 50, &Rule::threshold));
    QLabel* unit = formText(RuleEngine::unit(rule.metric), 13, Tint::secondaryText, appearance);
    unit->setObjectName(QStringLiteral("unit"));
    unit->setFixedWidth(34);
    line->addWidget(unit);
    line->addWidget(formText(QStringLiteral("for"), 13, Tint::secondaryText, appearance));
    line->addWidget(numberField("duration", rule.duration, 40, &Rule::duration));
    line->addWidget(formText(QStringLiteral("s"), 13, Tint::secondaryText, appearance));
    line->addStretch(1);

    auto* remove = new QToolButton;
    remove->setObjectName(QStringLiteral("delete"));
    remove->setAutoRaise(true);
    remove->setToolTip(QStringLiteral("Delete"));
    remove->setIcon(SymbolIcon::icon(QStringLiteral("minus.circle"), 14,
                                     color(Tint::secondaryText, appearance)));
    connect(remove, &QToolButton::clicked, this,
            [this, id] { edit([id](Config& c) { deleteRule(c, id); }, true); });
    line->addWidget(remove);
    section->addRow(row);
}

} // namespace morvanex::ui
