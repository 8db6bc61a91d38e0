#include "ui/settings/WeatherPane.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Fmt.h"
#include "base/ShownText.h"
#include "ui/settings/PaneForm.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace morvanex::ui {

QString WeatherPane::currentText(const std::optional<WeatherLocation>& configured,
                                 const std::optional<WeatherLocation>& resolved) {
    if (configured)
        return shownText(configured->name);
    return QStringLiteral("Automatic (") +
           (resolved ? shownText(resolved->name) : QStringLiteral("from IP address")) + u')';
}

QString WeatherPane::searchTerm(const QString& query) {
    qsizetype begin = 0;
    qsizetype end = query.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(query[begin]))
        ++begin;
    while (end > begin && blank(query[end - 1]))
        --end;
    return query.mid(begin, end - begin);
}

QString WeatherPane::coordinatesText(const WeatherLocation& place) {
    return Fmt::number(place.latitude, 2) + QStringLiteral(", ") + Fmt::number(place.longitude, 2);
}

std::vector<WeatherLocation>
WeatherPane::distinctPlaces(const std::vector<WeatherLocation>& places) {
    std::vector<WeatherLocation> distinct;
    for (const WeatherLocation& place : places)
        if (std::find(distinct.begin(), distinct.end(), place) == distinct.end())
            distinct.push_back(place);
    return distinct;
}

WeatherPane::WeatherPane(const PanelEnv& env, QWidget* parent) : QWidget(parent), env_(env) {
    host_ = fillWithFormHost(this, env_.appearance);
    build();
    env_.settings->addObserver(this, [this](const Config&, const Config&) { refresh(); });
    if (env_.hub)
        connect(env_.hub, &Hub::changed, this, [this] { refresh(); });
    refresh();
}

void WeatherPane::build() {
    const Appearance appearance = env_.appearance;
    PaneForm* form = host_->replaceForm();
    FormSection* location = form->addSection(QStringLiteral("Location"));

    current_ = formText(QString(), 13, Tint::secondaryText, appearance);
    current_->setObjectName(QStringLiteral("current"));
    location->addLabeledRow(QStringLiteral("Current"), current_);

    auto* automatic = new QPushButton(QStringLiteral("Use Automatic Location"));
    automatic->setObjectName(QStringLiteral("useAutomatic"));
    connect(automatic, &QPushButton::clicked, this,
            [this] { env_.settings->update([](Config& c) { c.weatherLocation.reset(); }); });
    auto* automaticLine = new QWidget;
    auto* automaticLayout = new QHBoxLayout(automaticLine);
    automaticLayout->setContentsMargins(0, 0, 0, 0);
    automaticLayout->addWidget(automatic);
    automaticLayout->addStretch(1);
    automaticRow_ = location->addRow(automaticLine);

    auto* searchLine = new QWidget;
    auto* searchLayout = new QHBoxLayout(searchLine);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->setSpacing(8);
    query_ = new QLineEdit;
    query_->setObjectName(QStringLiteral("query"));
    query_->setPlaceholderText(QStringLiteral("Search for a city"));
    searchLayout->addWidget(query_, 1);
    searchButton_ = new QPushButton(QStringLiteral("Search"));
    searchButton_->setObjectName(QStringLiteral("search"));
    searchLayout->addWidget(searchButton_);
    spinner_ = new QProgressBar;
    spinner_->setObjectName(QStringLiteral("spinner"));
    spinner_->setRange(0, 0);
    spinner_->setTextVisible(false);
    spinner_->setFixedSize(36, 8);
    searchLayout->addWidget(spinner_);
    connect(query_, &QLineEdit::textChanged, this, [this] { refresh(); });
    connect(query_, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(searchButton_, &QPushButton::clicked, this, [this] { search(); });
    location->addRow(searchLine);

    errorLabel_ = formText(QString(), 11, Tint::red, appearance, QFont::Normal, true);
    errorLabel_->setObjectName(QStringLiteral("error"));
    errorRow_ = location->addRow(errorLabel_);

    auto* resultsBox = new QWidget;
    resultsList_ = new QVBoxLayout(resultsBox);
    resultsList_->setContentsMargins(0, 0, 0, 0);
    resultsList_->setSpacing(2);
    resultsRow_ = location->addRow(resultsBox);

    FormSection* credit = form->addSection();
    credit->addRow(formText(QStringLiteral("Weather data from Open-Meteo.com (free, no account "
                                           "needed). The same location is used for sun and "
                                           "moon times."),
                            11, Tint::secondaryText, appearance, QFont::Normal, true));
}

void WeatherPane::refresh() {
    const Config& config = env_.settings->config();
    const std::optional<WeatherLocation> resolved =
        env_.hub ? env_.hub->weather.resolvedLocation() : std::nullopt;
    current_->setText(currentText(config.weatherLocation, resolved));
    automaticRow_->setVisible(config.weatherLocation.has_value());
    searchButton_->setEnabled(!searchTerm(query_->text()).isEmpty());
    spinner_->setVisible(isSearching());
    errorRow_->setVisible(error_.has_value());
    errorLabel_->setText(error_.value_or(QString()));

    while (QLayoutItem* item = resultsList_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    for (const WeatherLocation& place : results_) {
        auto* button = new QPushButton;
        button->setObjectName(QStringLiteral("place"));
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setAccessibleName(place.name);
        auto* line = new QHBoxLayout(button);
        line->setContentsMargins(4, 2, 4, 2);
        line->addWidget(formText(place.name, 13, Tint::primaryText, env_.appearance));
        line->addStretch(1);
        line->addWidget(formText(coordinatesText(place), 11, Tint::secondaryText, env_.appearance));
        button->setMinimumHeight(26);
        connect(button, &QPushButton::clicked, this, [this, place] { choose(place); });
        resultsList_->addWidget(button);
    }
    resultsRow_->setVisible(!results_.empty());
}

void WeatherPane::search() {
    const QString term = searchTerm(query_->text());
    if (term.isEmpty() || !env_.hub)
        return;
    ++searching_;
    error_.reset();
    refresh();
    QPointer<WeatherPane> self(this);
    env_.hub->weather.search(term, [self](WeatherResult<std::vector<WeatherLocation>> result) {
        if (self)
            self->finish(std::move(result.value), result.error);
    });
}

void WeatherPane::finish(std::optional<std::vector<WeatherLocation>> places, const QString& error) {
    // Each search applies its own outcome; the first to end already stops the spinner.
    searching_ = 0;
    if (places) {
        results_ = distinctPlaces(*places);
        if (places->empty())
            error_ = noPlacesText;
    } else {
        error_ = error;
    }
    refresh();
}

void WeatherPane::choose(const WeatherLocation& place) {
    results_.clear();
    query_->clear();
    env_.settings->update([&place](Config& c) { c.weatherLocation = place; });
    refresh();
}

} // namespace morvanex::ui
