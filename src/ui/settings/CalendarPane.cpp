#include "ui/settings/CalendarPane.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "ui/kit/Dot.h"
#include "ui/kit/Layouts.h"
#include "ui/settings/PaneForm.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace morvanex::ui {

const std::vector<std::pair<QString, std::int64_t>>& CalendarPane::dayChoices() {
    static const std::vector<std::pair<QString, std::int64_t>> choices{
        {QStringLiteral("Today"), 1},
        {QStringLiteral("Next 3 days"), 3},
        {QStringLiteral("Next 7 days"), 7}};
    return choices;
}

bool CalendarPane::isCalendarShown(const Config& config, const QString& id) {
    return !config.hiddenCalendars.contains(id);
}

void CalendarPane::showCalendar(Config& config, const QString& id) {
    config.hiddenCalendars.removeAll(id);
}

void CalendarPane::hideCalendar(Config& config, const QString& id) {
    config.hiddenCalendars.removeAll(id);
    config.hiddenCalendars.append(id);
}

CalendarPane::CalendarPane(const PanelEnv& env, QWidget* parent) : QWidget(parent), env_(env) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    env_.settings->addObserver(this, [this](const Config& old, const Config& now) {
        if (old.showEvents != now.showEvents || old.eventDays != now.eventDays ||
            old.hiddenCalendars != now.hiddenCalendars)
            rebuild();
    });
    if (env_.hub)
        connect(env_.hub, &Hub::changed, this, [this] {
            if (env_.hub->calendar.access() != shownAccess_ ||
                env_.hub->calendar.calendars() != shownCalendars_)
                rebuild();
        });
    rebuild();
}

void CalendarPane::setShown(const QString& id, bool shown) {
    // Two stores, as the other list switches: every entry out, then back in once when hidden.
    env_.settings->update([&id](Config& c) { showCalendar(c, id); });
    if (!shown)
        env_.settings->update([&id](Config& c) { hideCalendar(c, id); });
}

void CalendarPane::rebuild() {
    const Appearance appearance = env_.appearance;
    const Config& config = env_.settings->config();
    if (section_) {
        layout_->removeWidget(section_);
        section_->hide();
        section_->setParent(nullptr);
        section_->deleteLater();
    }
    auto* section = new FormSection(QStringLiteral("Calendar events"), appearance, this);
    section_ = section;
    layout_->addWidget(section);

    auto* show = new QCheckBox(QStringLiteral("Show events in the World Clock dropdown"));
    show->setObjectName(QStringLiteral("showEvents"));
    show->setChecked(config.showEvents);
    connect(show, &QCheckBox::toggled, this,
            [this](bool on) { env_.settings->update([on](Config& c) { c.showEvents = on; }); });
    section->addRow(show);

    auto* days = new QComboBox;
    days->setObjectName(QStringLiteral("eventDays"));
    int current = -1;
    for (const auto& [label, value] : dayChoices()) {
        if (value == config.eventDays)
            current = days->count();
        days->addItem(label, QVariant::fromValue(qint64(value)));
    }
    days->setCurrentIndex(current);
    days->setEnabled(config.showEvents);
    connect(days, &QComboBox::activated, this, [this](int index) {
        const std::int64_t value = dayChoices()[std::size_t(index)].second;
        env_.settings->update([value](Config& c) { c.eventDays = value; });
    });
    section->addLabeledRow(QStringLiteral("Show"), days);

    shownAccess_ = env_.hub ? env_.hub->calendar.access() : CalendarEvents::Access::notAsked;
    shownCalendars_ = env_.hub ? env_.hub->calendar.calendars() : std::vector<CalendarInfo>{};
    const auto messageRow = [&](const QString& text, const QString& button, const char* name,
                                std::function<void()> action) {
        auto* row = new QWidget;
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(formText(text, 13, Tint::secondaryText, appearance));
        line->addStretch(1);
        if (action) {
            auto* press = new QPushButton(button);
            press->setObjectName(QString::fromLatin1(name));
            connect(press, &QPushButton::clicked, this, std::move(action));
            line->addWidget(press);
        }
        section->addRow(row);
    };
    switch (shownAccess_) {
    case CalendarEvents::Access::notAsked:
        messageRow(QStringLiteral("Morvanex needs access to your calendars."),
                   QStringLiteral("Allow Access…"), "allowAccess", [this] {
                       if (QWidget* top = window()) {
                           top->raise();
                           top->activateWindow();
                       }
                       if (env_.hub)
                           env_.hub->calendar.requestAccess();
                   });
        break;
    case CalendarEvents::Access::denied:
        // The button is left out where no program to add accounts in is installed.
        messageRow(QStringLiteral("No calendars found in Evolution or ~/.local/share/calendars."),
                   QStringLiteral("Open Online Accounts…"), "openPrivacy",
                   env_.linkName && env_.linkName(platform::SystemLink::onlineAccountsSettings)
                       ? std::function<void()>([this] {
                             env_.openLink(platform::SystemLink::onlineAccountsSettings);
                         })
                       : std::function<void()>());
        break;
    case CalendarEvents::Access::granted:
        for (const CalendarInfo& calendar : shownCalendars_) {
            auto* row = new QWidget;
            row->setObjectName(QStringLiteral("calendar-") + calendar.id);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            line->setSpacing(6);
            auto* toggle = new QCheckBox;
            toggle->setObjectName(QStringLiteral("shown"));
            toggle->setAccessibleName(calendar.title);
            toggle->setChecked(isCalendarShown(config, calendar.id));
            toggle->setEnabled(config.showEvents);
            const QString id = calendar.id;
            connect(toggle, &QCheckBox::toggled, this, [this, id](bool on) { setShown(id, on); });
            line->addWidget(toggle);
            line->addWidget(
                new Dot(QColor(calendar.color.red, calendar.color.green, calendar.color.blue), 8));
            line->addWidget(formText(calendar.title, 13,
                                     config.showEvents ? Tint::primaryText : Tint::secondaryText,
                                     appearance));
            line->addWidget(formText(calendar.source, 13, Tint::secondaryText, appearance));
            line->addStretch(1);
            section->addRow(row);
        }
        break;
    }
    section->setFooter(QStringLiteral(
        "Events come from Evolution's calendars (~/.local/share/evolution/calendar) and vdir "
        "folders in ~/.local/share/calendars, and stay on this computer. Video call links "
        "(Zoom, Meet, Teams, Webex, FaceTime) get a Join button shortly before the event."));
}

} // namespace morvanex::ui
