#include "ui/settings/WorldClockPane.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Fmt.h"
#include "platform/ListedTimeZone.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/CalendarPane.h"
#include "ui/settings/PaneForm.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeZone>
#include <QToolButton>

namespace morvanex::ui {

namespace {

void clear(QVBoxLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
}

QWidget* line(QWidget* first, bool stretch = true) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first);
    if (stretch)
        layout->addStretch(1);
    return row;
}

} // namespace

QString WorldClockPane::cityName(const QString& identifier) {
    const QStringList pieces = identifier.split(u'/', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return identifier;
    QString city = pieces.last();
    city.replace(u'_', u' ');
    return city;
}

QStringList WorldClockPane::matches(const QString& query, const QStringList& clocks,
                                    const QByteArrayList& zones) {
    qsizetype begin = 0;
    qsizetype end = query.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(query[begin]))
        ++begin;
    while (end > begin && blank(query[end - 1]))
        --end;
    QString term = query.mid(begin, end - begin);
    term.replace(u' ', u'_');
    QStringList found;
    if (term.size() < 2)
        return found;
    for (const QByteArray& zone : zones) {
        const QString identifier = QString::fromUtf8(zone);
        if (identifier.contains(term, Qt::CaseInsensitive) && !clocks.contains(identifier)) {
            found.append(identifier);
            if (found.size() == 6)
                break;
        }
    }
    return found;
}

QString WorldClockPane::labelTitle(ClockLabel label) {
    return label == ClockLabel::city ? QStringLiteral("City name")
                                     : QStringLiteral("Time zone abbreviation");
}

bool WorldClockPane::isOnMenuBar(const Config& config, const QString& identifier) {
    return config.menubarClocks.contains(identifier);
}

WorldClockPane::WorldClockPane(const PanelEnv& env, QWidget* parent)
    : WorldClockPane(env, QTimeZone::availableTimeZoneIds(), parent) {}

WorldClockPane::WorldClockPane(const PanelEnv& env, QByteArrayList zones, QWidget* parent)
    : QWidget(parent), env_(env), zones_(std::move(zones)) {
    host_ = fillWithFormHost(this, env_.appearance);
    build();
    env_.settings->addObserver(this, [this](const Config&, const Config&) { refresh(); });
    if (env_.hub)
        connect(env_.hub, &Hub::ticked, this, [this] { refreshTimes(); });
    refresh();
}

void WorldClockPane::build() {
    const Appearance appearance = env_.appearance;
    PaneForm* form = host_->replaceForm();

    FormSection* clocks = form->addSection(QStringLiteral("World clocks"));
    auto* clocksBox = new QWidget;
    clocksBox->setObjectName(QStringLiteral("clocks"));
    clocks_ = new QVBoxLayout(clocksBox);
    clocks_->setContentsMargins(0, 0, 0, 0);
    clocks_->setSpacing(4);
    clocks->addRow(clocksBox);
    zoneQuery_ = new QLineEdit;
    zoneQuery_->setObjectName(QStringLiteral("zoneQuery"));
    zoneQuery_->setPlaceholderText(QStringLiteral("Add time zone (e.g. Lisbon, Tokyo, Sydney)"));
    connect(zoneQuery_, &QLineEdit::textChanged, this, [this] { refreshSuggestions(); });
    clocks->addRow(zoneQuery_);
    auto* suggestionsBox = new QWidget;
    suggestions_ = new QVBoxLayout(suggestionsBox);
    suggestions_->setContentsMargins(0, 0, 0, 0);
    suggestions_->setSpacing(2);
    suggestionsRow_ = clocks->addRow(suggestionsBox);
    clocks->setFooter(QStringLiteral(
        "Checked clocks appear in the menu bar. Your local time follows the system clock."));

    FormSection* menuBar = form->addSection(QStringLiteral("Menu bar"));
    label_ = new QComboBox;
    label_->setObjectName(QStringLiteral("clockLabel"));
    for (const auto& [value, name] : EnumCases<ClockLabel>::cases)
        label_->addItem(labelTitle(value));
    connect(label_, &QComboBox::activated, this, [this](int index) {
        env_.settings->update([index](Config& c) {
            c.clockLabel = index == 0 ? ClockLabel::city : ClockLabel::abbreviation;
        });
    });
    menuBar->addLabeledRow(QStringLiteral("Label"), label_);

    FormSection* calendar = form->addSection(QStringLiteral("Calendar"));
    weekNumbers_ = new QCheckBox(QStringLiteral("Show week numbers"));
    weekNumbers_->setObjectName(QStringLiteral("showWeekNumbers"));
    connect(weekNumbers_, &QCheckBox::toggled, this, [this](bool on) {
        env_.settings->update([on](Config& c) { c.showWeekNumbers = on; });
    });
    calendar->addRow(weekNumbers_);

    form->addWidget(new CalendarPane(env_));
    (void)appearance;
}

void WorldClockPane::refresh() {
    const Config& config = env_.settings->config();
    {
        const QSignalBlocker blockLabel(label_);
        label_->setCurrentIndex(config.clockLabel == ClockLabel::city ? 0 : 1);
        const QSignalBlocker blockWeeks(weekNumbers_);
        weekNumbers_->setChecked(config.showWeekNumbers);
    }
    if (config.worldClocks != shownClocks_ || config.menubarClocks != shownMenubar_) {
        shownClocks_ = config.worldClocks;
        shownMenubar_ = config.menubarClocks;
        clear(clocks_);
        const Appearance appearance = env_.appearance;
        for (const QString& identifier : config.worldClocks) {
            auto* row = new QWidget;
            row->setObjectName(QStringLiteral("clock-") + identifier);
            auto* layout = new QHBoxLayout(row);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(6);
            auto* check = new QCheckBox;
            check->setObjectName(QStringLiteral("menubar"));
            check->setAccessibleName(cityName(identifier));
            check->setChecked(isOnMenuBar(config, identifier));
            connect(check, &QCheckBox::toggled, this,
                    [this, identifier](bool on) { setOnMenuBar(identifier, on); });
            layout->addWidget(check);
            layout->addWidget(formText(cityName(identifier), 13, Tint::primaryText, appearance));
            layout->addWidget(formText(identifier, 13, Tint::secondaryText, appearance));
            layout->addStretch(1);
            const QTimeZone zone = platform::listedTimeZone(identifier);
            if (zone.isValid()) {
                QLabel* time = formText(QString(), 13, Tint::secondaryText, appearance);
                time->setObjectName(QStringLiteral("time"));
                time->setProperty("zone", identifier);
                layout->addWidget(time);
            }
            auto* remove = new QToolButton;
            remove->setObjectName(QStringLiteral("remove"));
            remove->setAutoRaise(true);
            remove->setToolTip(QStringLiteral("Remove"));
            remove->setIcon(SymbolIcon::icon(QStringLiteral("minus.circle"), 14,
                                             color(Tint::secondaryText, appearance)));
            connect(remove, &QToolButton::clicked, this,
                    [this, identifier] { this->remove(identifier); });
            layout->addWidget(remove);
            clocks_->addWidget(row);
        }
        refreshTimes();
    }
    refreshSuggestions();
}

void WorldClockPane::refreshTimes() {
    const QDateTime now = QDateTime::currentDateTime();
    for (QLabel* label : findChildren<QLabel*>(QStringLiteral("time")))
        label->setText(
            Fmt::time(now, platform::listedTimeZone(label->property("zone").toString())));
}

void WorldClockPane::refreshSuggestions() {
    clear(suggestions_);
    const QStringList found =
        matches(zoneQuery_->text(), env_.settings->config().worldClocks, zones_);
    for (const QString& identifier : found) {
        auto* button = new QPushButton(QStringLiteral("Add ") + identifier);
        button->setObjectName(QStringLiteral("add"));
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, identifier] { add(identifier); });
        suggestions_->addWidget(line(button));
    }
    suggestionsRow_->setVisible(!found.isEmpty());
}

void WorldClockPane::setOnMenuBar(const QString& identifier, bool on) {
    env_.settings->update([&identifier](Config& c) { c.menubarClocks.removeAll(identifier); });
    if (on)
        env_.settings->update([&identifier](Config& c) { c.menubarClocks.append(identifier); });
}

void WorldClockPane::remove(const QString& identifier) {
    env_.settings->update([&identifier](Config& c) { c.worldClocks.removeAll(identifier); });
    env_.settings->update([&identifier](Config& c) { c.menubarClocks.removeAll(identifier); });
}

void WorldClockPane::add(const QString& identifier) {
    env_.settings->update([&identifier](Config& c) { c.worldClocks.append(identifier); });
    zoneQuery_->clear();
}

} // namespace morvanex::ui
