#include "services/CalendarReaderWire.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <iterator>

namespace morvanex::calendarwire {

namespace {

constexpr QDataStream::Version version = QDataStream::Qt_6_4;
constexpr quint32 requestMark = 0x4D434C52; // identifies a request
// Begins every record's frame, so that output that is no record is told from one too long.
constexpr char recordMark[] = {'M', 'C', 'R', 'D'};
constexpr qsizetype markBytes = sizeof recordMark;
constexpr qsizetype frameHeader = frameHeaderBytes;
static_assert(frameHeader == markBytes + 4);

void put(QDataStream& out, const std::optional<QString>& text) {
    out << bool(text);
    if (text)
        out << *text;
}

void take(QDataStream& in, std::optional<QString>& text) {
    bool present = false;
    in >> present;
    text.reset();
    if (present) {
        QString value;
        in >> value;
        text = std::move(value);
    }
}

void put(QDataStream& out, const CalendarOccurrence& occurrence) {
    put(out, occurrence.id);
    put(out, occurrence.title);
    out << occurrence.start << occurrence.end << occurrence.isAllDay;
    put(out, occurrence.location);
    put(out, occurrence.notes);
    put(out, occurrence.url);
    out << occurrence.cancelled << qint32(occurrence.attendees.size());
    for (const CalendarAttendee& attendee : occurrence.attendees)
        out << attendee.address << attendee.declined;
}

bool take(QDataStream& in, CalendarOccurrence& occurrence) {
    take(in, occurrence.id);
    take(in, occurrence.title);
    in >> occurrence.start >> occurrence.end >> occurrence.isAllDay;
    take(in, occurrence.location);
    take(in, occurrence.notes);
    take(in, occurrence.url);
    qint32 attendees = 0;
    in >> occurrence.cancelled >> attendees;
    // Each attendee takes bytes: a count beyond the stream ends at its end.
    for (qint32 i = 0; i < attendees && in.status() == QDataStream::Ok; ++i) {
        CalendarAttendee attendee;
        in >> attendee.address >> attendee.declined;
        occurrence.attendees.push_back(std::move(attendee));
    }
    return in.status() == QDataStream::Ok;
}

} // namespace

QByteArray encode(const Request& request) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(version);
    out << requestMark << request.from << request.to << qint32(request.stepsPerEvent)
        << qint32(request.steps) << request.files;
    return bytes;
}

std::optional<Request> decodeRequest(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(version);
    quint32 mark = 0;
    qint32 stepsPerEvent = 0;
    qint32 steps = 0;
    Request request;
    in >> mark >> request.from >> request.to >> stepsPerEvent >> steps >> request.files;
    if (in.status() != QDataStream::Ok || mark != requestMark)
        return std::nullopt;
    request.stepsPerEvent = stepsPerEvent;
    request.steps = steps;
    return request;
}

QByteArray encode(const Record& record) {
    QByteArray bytes(frameHeader, '\0');
    std::copy(std::begin(recordMark), std::end(recordMark), bytes.begin());
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setVersion(version);
    out << qint32(record.index);
    put(out, record.reason);
    out << qint32(record.stepsLeft) << qint32(record.reading.nestedTooDeep)
        << qint32(record.reading.eventsCutShort) << qint32(record.reading.occurrences.size());
    for (const CalendarOccurrence& occurrence : record.reading.occurrences)
        put(out, occurrence);
    qToBigEndian(quint32(bytes.size() - frameHeader), bytes.data() + markBytes);
    return bytes;
}

std::optional<Record> RecordReader::next() {
    if (fault_ != Fault::none)
        return std::nullopt;
    // The mark is checked as far as it has arrived, so stray bytes are known at once.
    const qsizetype available = buffer_.size() - offset_;
    const QByteArrayView arrived(buffer_.constData() + offset_, std::min(available, markBytes));
    if (arrived != QByteArrayView(recordMark, markBytes).first(arrived.size())) {
        fault_ = Fault::notARecord;
        return std::nullopt;
    }
    if (available < frameHeader)
        return std::nullopt;
    const qsizetype length = qFromBigEndian<quint32>(buffer_.constData() + offset_ + markBytes);
    if (length > maxRecordBytes) {
        fault_ = Fault::tooLong;
        return std::nullopt;
    }
    if (buffer_.size() - offset_ - frameHeader < length)
        return std::nullopt;
    const QByteArray payload = buffer_.mid(offset_ + frameHeader, length);
    offset_ += frameHeader + length;
    // Drop what was taken once it is the larger part, so the buffer does not grow without end.
    if (offset_ > buffer_.size() / 2) {
        buffer_.remove(0, offset_);
        offset_ = 0;
    }

    QDataStream in(payload);
    in.setVersion(version);
    Record record;
    qint32 index = 0;
    qint32 stepsLeft = 0;
    qint32 nested = 0;
    qint32 cut = 0;
    qint32 occurrences = 0;
    in >> index;
    take(in, record.reason);
    in >> stepsLeft >> nested >> cut >> occurrences;
    for (qint32 i = 0; i < occurrences && in.status() == QDataStream::Ok; ++i) {
        CalendarOccurrence occurrence;
        if (take(in, occurrence))
            record.reading.occurrences.push_back(std::move(occurrence));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd()) {
        fault_ = Fault::notARecord;
        return std::nullopt;
    }
    record.index = index;
    record.stepsLeft = stepsLeft;
    record.reading.nestedTooDeep = nested;
    record.reading.eventsCutShort = cut;
    return record;
}

} // namespace morvanex::calendarwire
