#include "ui/panels/NextEventRow.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "platform/LocaleFacts.h"
#include "ui/kit/ColorBar.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HoverClick.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/PillButton.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QPainter>
#include <algorithm>

namespace morvanex::ui {

namespace {

constexpr qint64 joinLeadSeconds = 900;

} // namespace

QString NextEventRow::when(const CalendarEvent& event, const QDateTime& now, const QTimeZone& local,
                           const QString& locale) {
    if (event.start <= now && now < event.end)
        return QStringLiteral("Now · until ") + Fmt::time(event.end, local);
    // Whole minutes ahead, cut toward zero: 59 min 59 s gives 59.
    const std::optional<std::int64_t> minutes =
        numbers::truncatedInt64(double(now.msecsTo(event.start)) / 60000.0);
    const QString start = event.start.toTimeZone(local).date() == now.toTimeZone(local).date()
                              ? Fmt::time(event.start, local)
                              : platform::LocaleFacts::format(event.start, QStringLiteral("Ejmm"),
                                                              locale, local.id());
    if (minutes && *minutes <= 59)
        return QStringLiteral("In ") + QString::number(std::max<std::int64_t>(*minutes, 1)) +
               QStringLiteral(" min · ") + start;
    if (event.location)
        return start + QStringLiteral(" · ") + *event.location;
    return start;
}

bool NextEventRow::showsJoin(const CalendarEvent& event, const QDateTime& now) {
    return event.meetingURL && now.secsTo(event.start) < joinLeadSeconds;
}

NextEventRow::NextEventRow(const PanelEnv& env, CalendarEvent event, std::function<void()> action,
                           QWidget* parent)
    : QWidget(parent), env_(env), event_(std::move(event)), action_(std::move(action)) {
    if (!action_)
        action_ = [open = env_.openModule] { open.action(ModuleKind::time, std::nullopt); };
    const Appearance a = env_.appearance;
    const QDateTime now = env_.hub ? env_.hub->clock.now() : QDateTime::currentDateTimeUtc();
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    pointer_ = new HoverClick(this, [this] { tap(); });
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(12, 10, 12, 10);
    line->setSpacing(0);
    line->addSpacing(9);
    line->addWidget(
        new ColorBar(QColor(event_.color.red, event_.color.green, event_.color.blue), 30));
    line->addSpacing(10);
    auto* words = new QVBoxLayout;
    words->setSpacing(1);
    words->addWidget(
        new TextLine(event_.title, Fonts::font(13, QFont::Medium), color(Tint::primaryText, a)));
    when_ = new TextLine(
        when(event_, now, QTimeZone::systemTimeZone(), platform::LocaleFacts::userLocale()),
        Fonts::font(11), color(Tint::secondaryText, a));
    words->addWidget(when_);
    line->addLayout(words, 1);
    addFlexibleSpace(line, 0);
    if (showsJoin(event_, now)) {
        line->addSpacing(10);
        join_ = new PillButton(
            QStringLiteral("Join"), true,
            [open = env_.openURL, url = *event_.meetingURL] { open(url); }, a);
        line->addWidget(join_);
    }
}

void NextEventRow::tap() {
    action_();
}

bool NextEventRow::isHovering() const {
    return pointer_->isHovering();
}

void NextEventRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 10,
                    primaryFill(env_.appearance, fillOpacity(isHovering())));
}

} // namespace morvanex::ui
