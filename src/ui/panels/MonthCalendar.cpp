#include "ui/panels/MonthCalendar.h"

#include "platform/LocaleFacts.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HoverClick.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/Symbols.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>

namespace morvanex::ui {

namespace {

constexpr int cellWidth = 28;
constexpr int cellHeight = 22;

// Weekdays numbered as the locale facts number them: 1 = Sunday ... 7 = Saturday.
int weekday(const QDate& date) {
    return date.dayOfWeek() % 7 + 1;
}

// One day of the grid: its number, on a red disc when it is today; empty without a date.
class DayCell : public QWidget {
public:
    DayCell(std::optional<CalendarMonth::Cell> cell, Appearance appearance)
        : cell_(std::move(cell)), appearance_(appearance) {
        setFixedSize(cellWidth, cellHeight);
        if (cell_)
            setObjectName(QString::number(cell_->date.day()));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!cell_)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QColor ink = color(cell_->isWeekend ? Tint::secondaryText : Tint::primaryText, appearance_);
        QFont font = Fonts::font(12);
        if (cell_->isToday) {
            const QRectF disc((width() - cellHeight) / 2.0, 0, cellHeight, cellHeight);
            painter.setPen(Qt::NoPen);
            painter.setBrush(color(Tint::red, appearance_));
            painter.drawEllipse(disc);
            ink = Qt::white;
            font = Fonts::font(12, QFont::DemiBold);
        }
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRectF(rect()), Qt::AlignCenter, QString::number(cell_->date.day()));
    }

private:
    std::optional<CalendarMonth::Cell> cell_;
    Appearance appearance_;
};

TextLine* gridText(const QString& text, const QFont& font, Tint tint, Appearance a) {
    auto* line = new TextLine(text, font, color(tint, a));
    line->setAlignment(Qt::AlignCenter);
    return line;
}

} // namespace

// ---- NavIcon

NavIcon::NavIcon(const QString& symbol, std::function<void()> action, Appearance appearance,
                 QWidget* parent)
    : QWidget(parent), symbol_(symbol), action_(std::move(action)), appearance_(appearance) {
    setFixedSize(20, 20);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(symbol);
    setAttribute(Qt::WA_Hover);
    pointer_ = new HoverClick(this, [this] { click(); });
}

void NavIcon::click() {
    if (action_)
        action_();
}

bool NavIcon::isHovering() const {
    return pointer_->isHovering();
}

void NavIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isHovering())
        fillRoundedRect(painter, QRectF(rect()), 5, primaryFill(appearance_, 0.08));
    const std::optional<QSizeF> size = Symbols::size(symbol_, 11);
    if (!size)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF((width() - size->width()) / 2, (height() - size->height()) / 2),
                     *size);
    Symbols::draw(painter, symbol_, box,
                  Symbols::Paint::monochrome(
                      color(isHovering() ? Tint::primaryText : Tint::secondaryText, appearance_)));
}

// ---- CalendarMonth

CalendarMonth::Grid CalendarMonth::grid(const QDateTime& now, int offset, const QString& locale,
                                        const QTimeZone& zone) {
    const QByteArray zoneId = zone.id();
    const QDate today = now.toTimeZone(zone).date();
    Grid result;
    result.shown = QDate(today.year(), today.month(), 1).addMonths(offset);
    result.title = platform::LocaleFacts::format(result.shown.startOfDay(zone),
                                                 QStringLiteral("MMMMy"), locale, zoneId);

    const int first = platform::LocaleFacts::firstWeekday(locale);
    const QStringList symbols = platform::LocaleFacts::veryShortWeekdaySymbols(locale);
    for (int i = 0; i < 7; ++i)
        result.weekdays.append(symbols.value((first - 1 + i) % 7));
    const QList<int> weekend = platform::LocaleFacts::weekendDays(locale);

    std::vector<std::optional<Cell>> cells(std::size_t((weekday(result.shown) - first + 7) % 7),
                                           std::nullopt);
    for (int day = 0; day < result.shown.daysInMonth(); ++day) {
        const QDate date = result.shown.addDays(day);
        cells.push_back(Cell{date, date == today, weekend.contains(weekday(date))});
    }
    for (std::size_t start = 0; start < cells.size(); start += 7) {
        Row row;
        row.cells.assign(cells.begin() + std::ptrdiff_t(start),
                         cells.begin() + std::ptrdiff_t(std::min(start + 7, cells.size())));
        for (const auto& cell : row.cells) {
            if (cell) {
                const int week =
                    platform::LocaleFacts::weekOfYear(cell->date.startOfDay(zone), locale, zoneId);
                row.week = QString::number(week);
                break;
            }
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

CalendarMonth::CalendarMonth(int offset, bool showWeekNumbers, std::function<void(int)> setOffset,
                             QDateTime now, Appearance a, QWidget* parent)
    : QWidget(parent), offset_(offset), setOffset_(std::move(setOffset)) {
    const Grid g =
        grid(now, offset, platform::LocaleFacts::userLocale(), QTimeZone::systemTimeZone());
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    title_ = new TextLine(g.title, Fonts::font(13, QFont::DemiBold), color(Tint::primaryText, a));
    titleRow->addWidget(title_);
    addFlexibleSpace(titleRow, 0);
    previous_ = new NavIcon(
        QStringLiteral("chevron.left"), [this] { setOffset_(offset_ - 1); }, a);
    titleRow->addWidget(previous_);
    today_ = new TextLine(QStringLiteral("Today"), Fonts::font(11, QFont::Medium),
                          color(offset == 0 ? Tint::tertiaryText : Tint::secondaryText, a));
    today_->setCursor(Qt::PointingHandCursor);
    today_->installEventFilter(this);
    titleRow->addWidget(today_);
    next_ = new NavIcon(
        QStringLiteral("chevron.right"), [this] { setOffset_(offset_ + 1); }, a);
    titleRow->addWidget(next_);
    stack->addLayout(titleRow);

    auto* cells = new QGridLayout;
    cells->setHorizontalSpacing(2);
    cells->setVerticalSpacing(2);
    const int firstColumn = showWeekNumbers ? 1 : 0;
    const QFont headerFont = Fonts::font(10, QFont::DemiBold);
    if (showWeekNumbers)
        cells->addWidget(gridText(QStringLiteral("Wk"), headerFont, Tint::tertiaryText, a), 0, 0);
    for (int c = 0; c < 7; ++c) {
        auto* symbol = gridText(g.weekdays.value(c), headerFont, Tint::secondaryText, a);
        symbol->setFixedWidth(cellWidth);
        cells->addWidget(symbol, 0, firstColumn + c);
    }
    for (std::size_t r = 0; r < g.rows.size(); ++r) {
        const Row& row = g.rows[r];
        const int line = int(r) + 1;
        if (showWeekNumbers) {
            auto* week = gridText(row.week, Fonts::font(12), Tint::tertiaryText, a);
            week->setObjectName(QStringLiteral("week"));
            cells->addWidget(week, line, 0);
        }
        for (std::size_t c = 0; c < 7; ++c)
            cells->addWidget(new DayCell(c < row.cells.size() ? row.cells[c] : std::nullopt, a),
                             line, firstColumn + int(c));
    }
    auto* centred = new QHBoxLayout;
    centred->addStretch();
    centred->addLayout(cells);
    centred->addStretch();
    stack->addLayout(centred);
}

bool CalendarMonth::eventFilter(QObject* watched, QEvent* event) {
    if (watched == today_ && event->type() == QEvent::MouseButtonRelease) {
        if (offset_ != 0)
            setOffset_(0);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace morvanex::ui
