#include "services/CalendarTextCheck.h"

#include "services/CalendarRuleCost.h"

#include <QByteArrayView>
#include <algorithm>
#include <vector>

namespace morvanex {

namespace {

bool isFoldContinuation(char c) {
    return c == ' ' || c == '\t';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where libical finds `separator` in a line: outside double quotes (when `quotes`), and not right
// after a backslash; -1 when nowhere.
qsizetype separatorAt(QByteArrayView line, char separator, bool quotes) {
    bool quoted = false;
    char previous = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (previous != '\\') {
            if (quotes && c == '"')
                quoted = !quoted;
            else if (!quoted && c == separator)
                return i;
        }
        previous = c;
    }
    return -1;
}

// A content line's name and what follows the separator after it, as libical's parser reads them:
// the name runs to the first ';' or ':', whichever comes first, less white space at its end. No
// name when there is neither.
struct NamedLine {
    QByteArrayView name;
    QByteArrayView rest;
    bool named = false;
};

NamedLine named(QByteArrayView line) {
    const qsizetype semicolon = separatorAt(line, ';', true);
    const qsizetype colon = separatorAt(line, ':', true);
    if (semicolon < 0 && colon < 0)
        return {};
    const qsizetype end = colon >= 0 && (semicolon < 0 || semicolon > colon) ? colon : semicolon;
    QByteArrayView name = line.first(end);
    while (!name.isEmpty() && isSpace(name.back()))
        name.chop(1);
    return {name, line.sliced(end + 1), true};
}

// The value of a content line: after the first ':' outside a quoted parameter value.
QByteArrayView propertyValue(QByteArrayView line) {
    const qsizetype colon = separatorAt(line, ':', true);
    return colon < 0 ? QByteArrayView() : line.sliced(colon + 1);
}

bool sameName(QByteArrayView a, const char* b) {
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

bool startsWithName(QByteArrayView text, const char* name) {
    text = text.trimmed();
    const QByteArrayView prefix(name);
    return text.size() >= prefix.size() && sameName(text.first(prefix.size()), name);
}

// One component open at a point of the text, with the zone rules met in it so far.
struct Component {
    bool inZone = false;           // it or one around it is a VTIMEZONE
    std::optional<int> startYear;  // of its earliest DTSTART (0: one libical may read otherwise)
    std::vector<QByteArray> rules; // its RRULE values, when in a zone
};

// Follows the components of a text line by line as libical's parser nests them, adding up the
// clock changes the rules of its zones ask for.
class ZoneChanges {
public:
    void line(QByteArrayView line) {
        const NamedLine parts = named(line);
        if (!parts.named)
            return;
        // libical opens and closes components on these names exactly, whatever follows.
        if (sameName(parts.name, "BEGIN")) {
            const bool zone = startsWithName(parts.rest, "VTIMEZONE") ||
                              startsWithName(propertyValue(line), "VTIMEZONE");
            open_.push_back({zone || (!open_.empty() && open_.back().inZone), {}, {}});
            return;
        }
        if (sameName(parts.name, "END")) {
            if (!open_.empty()) {
                close(open_.back());
                open_.pop_back();
            }
            return;
        }
        if (open_.empty() || !open_.back().inZone)
            return;
        Component& current = open_.back();
        const QByteArrayView name = parts.name.trimmed();
        if (sameName(name, "DTSTART")) {
            const int year = valueYear(propertyValue(line)).value_or(0);
            current.startYear = std::min(current.startYear.value_or(year), year);
        } else if (sameName(name, "RRULE")) {
            current.rules.push_back(propertyValue(line).toByteArray());
        }
    }

    // Closes what the text left open.
    void finish() {
        for (const Component& component : open_)
            close(component);
        open_.clear();
    }

    double changes() const { return changes_; }

private:
    void close(const Component& component) {
        for (const QByteArray& rule : component.rules)
            changes_ += zoneRuleChanges(rule, component.startYear.value_or(0));
    }

    std::vector<Component> open_;
    double changes_ = 0;
};

QString zoneRefusal() {
    return QStringLiteral("its time zone rules ask for more than %1 clock changes")
        .arg(qint64(maxZoneChanges));
}

} // namespace

std::optional<QString> calendarTextRefusal(const QByteArray& ics) {
    // libical reads the text up to its first NUL byte.
    const qsizetype nul = ics.indexOf('\0');
    const QByteArrayView text = QByteArrayView(ics).first(nul < 0 ? ics.size() : nul);
    // libical takes the text in pieces that end after its next LF; where no LF follows, after its
    // next CR, read as a LF, but never longer than a piece of its buffer: a longer line that ends
    // in CR alone is cut there, the last byte of each piece read as a LF. A piece that begins
    // with a space or tab continues the line before, when that one had more than its ending: the
    // ending (with a CR before a LF) and the space go. A finished line loses its ending, a CR
    // before it, and white space at its end.
    constexpr qsizetype bufferPiece = 79;
    const qsizetype lastLineFeed = text.lastIndexOf('\n');
    ZoneChanges zones;
    QByteArray logical; // the line so far, with its ending read as a LF
    double bareCarriageReturnScan = 0;
    const auto finish = [&] {
        if (logical.size() > 1 && logical.back() == '\n') {
            logical.chop(1);
            if (logical.back() == '\r')
                logical.chop(1);
        }
        while (logical.size() > 1 && isSpace(logical.back()))
            logical.chop(1);
        zones.line(logical);
        logical.clear();
    };
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end; // after the piece's ending
        bool ended = true;
        if (start <= lastLineFeed) {
            end = text.indexOf('\n', start) + 1;
        } else {
            // Each search for a LF runs through the rest of the text.
            bareCarriageReturnScan += double(text.size() - start);
            if (bareCarriageReturnScan > maxBareCarriageReturnScan)
                return QStringLiteral("too many of its lines end in CR alone");
            const qsizetype carriageReturn = text.indexOf('\r', start);
            ended = carriageReturn >= 0;
            end = ended ? std::min(carriageReturn + 1, start + bufferPiece) : text.size();
        }
        QByteArrayView piece = text.sliced(start, end - start);
        start = end;
        const bool continues =
            logical.size() > 1 && logical.back() == '\n' && isFoldContinuation(piece.front());
        if (continues) {
            logical.chop(1);
            if (logical.back() == '\r')
                logical.chop(1);
            piece = piece.sliced(1);
        } else if (!logical.isEmpty()) {
            finish();
            if (zones.changes() > maxZoneChanges)
                return zoneRefusal();
        }
        if (ended)
            piece.chop(1);
        // The ending, and a CR before it, are no part of the line.
        const qsizetype length =
            logical.size() + piece.size() - (ended && piece.endsWith('\r') ? 1 : 0);
        if (length > maxCalendarLineBytes)
            return QStringLiteral("a line is longer than %1 bytes").arg(maxCalendarLineBytes);
        logical.append(piece.data(), piece.size());
        if (ended)
            logical.append('\n');
    }
    if (!logical.isEmpty())
        finish();
    zones.finish();
    if (zones.changes() > maxZoneChanges)
        return zoneRefusal();
    return std::nullopt;
}

} // namespace morvanex
