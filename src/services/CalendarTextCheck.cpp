#include "services/CalendarTextCheck.h"

#include <QByteArrayView>
#include <QList>
#include <algorithm>

namespace morvanex {

namespace {

bool isFoldContinuation(char c) {
    return c == ' ' || c == '\t';
}

// The property name of a content line: up to the first ';' or ':'.
QByteArrayView propertyName(QByteArrayView line) {
    qsizetype end = 0;
    while (end < line.size() && line[end] != ';' && line[end] != ':')
        ++end;
    return line.first(end).trimmed();
}

// The value of a content line: after the first ':' outside a quoted parameter value.
QByteArrayView propertyValue(QByteArrayView line) {
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return line.sliced(i + 1);
    }
    return {};
}

bool sameName(QByteArrayView a, const char* b) {
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// Why a time zone's rule is refused, or nothing. Only a few parts decide how many changes a
// year yields; the rest leave it alone or thin it.
std::optional<QString> zoneRuleRefusal(QByteArrayView value) {
    bool yearly = false;
    for (QByteArrayView part : QByteArray(value.toByteArray()).split(';')) {
        const qsizetype equals = part.indexOf('=');
        const QByteArrayView key = (equals < 0 ? part : part.first(equals)).trimmed();
        const QByteArrayView setting =
            equals < 0 ? QByteArrayView() : part.sliced(equals + 1).trimmed();
        if (sameName(key, "FREQ"))
            yearly = sameName(setting, "YEARLY");
        else if (sameName(key, "BYHOUR") || sameName(key, "BYMINUTE") || sameName(key, "BYSECOND"))
            return QStringLiteral("a time zone rule repeats within a day (%1)")
                .arg(QString::fromUtf8(key.toByteArray()).toUpper());
    }
    if (!yearly)
        return QStringLiteral("a time zone rule repeats more often than once a year");
    return std::nullopt;
}

} // namespace

std::optional<QString> calendarTextRefusal(const QByteArray& ics) {
    // Lines end at LF (a CR before it belongs to the ending); a line starting with a space or
    // tab continues the one before.
    QByteArray logical;
    int zoneDepth = 0; // how many VTIMEZONE components the line is inside
    std::optional<QString> refusal;
    const auto finish = [&]() {
        if (logical.isEmpty())
            return;
        const QByteArrayView line(logical);
        const QByteArrayView name = propertyName(line);
        if (sameName(name, "BEGIN") || sameName(name, "END")) {
            if (sameName(propertyValue(line).trimmed(), "VTIMEZONE"))
                zoneDepth = std::max(0, zoneDepth + (sameName(name, "BEGIN") ? 1 : -1));
        } else if (zoneDepth > 0 && sameName(name, "RRULE")) {
            refusal = zoneRuleRefusal(propertyValue(line));
        }
        logical.clear();
    };
    qsizetype start = 0;
    while (start < ics.size() && !refusal) {
        qsizetype end = ics.indexOf('\n', start);
        if (end < 0)
            end = ics.size();
        QByteArrayView piece = QByteArrayView(ics).sliced(start, end - start);
        if (piece.endsWith('\r'))
            piece.chop(1);
        if (!piece.isEmpty() && isFoldContinuation(piece[0]))
            piece = piece.sliced(1);
        else
            finish();
        if (logical.size() + piece.size() > maxCalendarLineBytes)
            return QStringLiteral("a line is longer than %1 bytes").arg(maxCalendarLineBytes);
        logical.append(piece.data(), piece.size());
        start = end + 1;
    }
    if (!refusal)
        finish();
    return refusal;
}

} // namespace morvanex
