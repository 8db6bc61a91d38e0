#include "ui/panels/SpeedTestCard.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "ui/kit/DetailCell.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/PillButton.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/UsageBars.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/NetworkTexts.h"
#include "ui/panels/SpeedTestTexts.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QTimeZone>
#include <QVariantAnimation>

namespace morvanex::ui {

namespace {} // namespace

ProgressBar::ProgressBar(double fraction, Appearance appearance, QWidget* parent)
    : QWidget(parent), bar_(new UsageBarView(UsageBar{fraction, Tint::accent, 4}, appearance)),
      move_(new QVariantAnimation(this)), target_(fraction) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(bar_);
    move_->setDuration(animationMs);
    move_->setEasingCurve(QEasingCurve::Linear);
    connect(move_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        bar_->setBar(UsageBar{value.toDouble(), Tint::accent, 4});
    });
}

void ProgressBar::setFraction(double fraction) {
    if (fraction == target_)
        return;
    move_->stop();
    move_->setStartValue(bar_->bar().fraction);
    move_->setEndValue(fraction);
    target_ = fraction;
    move_->start();
}

QSize ProgressBar::sizeHint() const {
    return bar_->sizeHint();
}

SpeedTestCard::SpeedTestCard(const PanelEnv& env, BoolBinding historyExpanded, QWidget* parent)
    : Card(7, env.appearance, parent), env_(env), test_(env.hub->speedTest),
      historyExpanded_(std::move(historyExpanded)) {
    auto* header = new QWidget;
    headerRow_ = new QHBoxLayout(header);
    headerRow_->setContentsMargins(0, 0, 0, 0);
    headerRow_->addWidget(
        new CardHeader(QStringLiteral("Speed Test"), std::nullopt, nullptr, env.appearance), 1,
        Qt::AlignVCenter);
    add(header);
    status_ = new PanelSection;
    add(status_);
    results_ = new PanelSection;
    add(results_);
    refresh();
    connect(env.hub, &Hub::changed, this, [this] { refresh(); });
    env.settings->addObserver(this, [this](const Config& old, const Config& now) {
        if (old.bandwidthBits != now.bandwidthBits)
            refresh();
    });
}

void SpeedTestCard::press(bool cancels) {
    if (!cancels) {
        test_.start(); // refused while a test runs
        return;
    }
    // Read again at the click: a test that has ended meanwhile is left alone, and nothing
    // new starts from a "Cancel" that was still showing.
    if (test_.isRunning())
        test_.cancel();
}

void SpeedTestCard::refresh() {
    const Appearance appearance = env_.appearance;
    const bool running = test_.isRunning();
    const bool bits = env_.settings->config().bandwidthBits;

    const ButtonModel button{speedtest::buttonTitle(test_.state, !test_.results.empty()), !running,
                             running};
    if (lastButton_.changed(button)) {
        if (button_) {
            headerRow_->removeWidget(button_);
            button_->hide();
            button_->setParent(nullptr);
            button_->deleteLater();
        }
        const bool cancels = button.cancels;
        button_ = new PillButton(
            button.title, button.prominent, [this, cancels] { press(cancels); }, appearance);
        headerRow_->addWidget(button_, 0, Qt::AlignVCenter);
    }

    StatusModel status{running, std::nullopt};
    if (const auto* failed = std::get_if<SpeedTest::Failed>(&test_.state))
        status.failure = failed->message;
    const auto* started = std::get_if<SpeedTest::Running>(&test_.state);
    const double fraction =
        started ? speedtest::progressFraction(started->started, env_.hub->clock.now()) : 0;
    if (lastStatus_.changed(status)) {
        progress_ = nullptr;
        QWidget* content = nullptr;
        if (status.running) {
            content = new QWidget;
            auto* column = new QVBoxLayout(content);
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(7);
            progress_ = new ProgressBar(fraction, appearance);
            column->addWidget(progress_);
            column->addWidget(new TextLine(speedtest::runningText, Fonts::font(11),
                                           color(Tint::secondaryText, appearance)));
        } else if (status.failure) {
            QLabel* failure = wrappingText(*status.failure, 11, Tint::red, appearance);
            // The reason may be the tool's own words, which are no markup.
            failure->setTextFormat(Qt::PlainText);
            content = failure;
        }
        status_->setContent(content);
    } else if (progress_) {
        progress_->setFraction(fraction);
    }

    ResultsModel results{test_.results, running, bits, {}};
    if (!results.results.empty())
        results.caption = speedtest::caption(results.results.front(), env_.hub->clock.now(),
                                             QTimeZone::systemTimeZone());
    if (lastResults_.changed(results))
        results_->setContent(buildResults(results));
}

QWidget* SpeedTestCard::buildResults(const ResultsModel& model) const {
    const Appearance appearance = env_.appearance;
    if (model.results.empty()) {
        if (model.running)
            return nullptr;
        return wrappingText(speedtest::hintText, 11, Tint::secondaryText, appearance);
    }
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(7);

    const SpeedTestResult& newest = model.results.front();
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(new DetailCell(QStringLiteral("Download"),
                                   Fmt::rate(newest.download, model.bits), appearance),
                    0, 0);
    grid->addWidget(
        new DetailCell(QStringLiteral("Upload"), Fmt::rate(newest.upload, model.bits), appearance),
        0, 1);
    grid->addWidget(new DetailCell(QStringLiteral("Responsiveness"),
                                   speedtest::responsivenessText(newest.responsiveness),
                                   appearance),
                    0, 2);
    column->addLayout(grid);
    column->addWidget(
        new TextLine(model.caption, Fonts::font(11), color(Tint::secondaryText, appearance)));

    if (model.results.size() >= 2) {
        auto* list = new QWidget;
        auto* entries = new QVBoxLayout(list);
        entries->setContentsMargins(0, 0, 0, 0);
        entries->setSpacing(4);
        for (std::size_t i = 1; i < model.results.size(); ++i) {
            const SpeedTestResult& result = model.results[i];
            auto* row = new QHBoxLayout;
            auto* when =
                new TextLine(speedtest::dateTimeText(result.date, QTimeZone::systemTimeZone()),
                             Fonts::font(11), color(Tint::secondaryText, appearance));
            row->addWidget(when, 0, Qt::AlignVCenter);
            addFlexibleSpace(row, 8);
            auto* rates =
                new TextLine(network::rateLine(result.download, result.upload, model.bits),
                             Fonts::font(11), color(Tint::primaryText, appearance));
            rates->setMinimumWidth(rates->sizeHint().width());
            row->addWidget(rates, 0, Qt::AlignVCenter);
            entries->addLayout(row);
        }
        column->addWidget(new DisclosureRow(QStringLiteral("History"), std::nullopt, false, true,
                                            historyExpanded_, list, env_.previewOverrides,
                                            appearance));
    }
    return content;
}

} // namespace morvanex::ui
