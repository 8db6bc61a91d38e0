#pragma once

#include <QByteArray>

namespace morvanex::test {

// Calendar files that make an iCalendar library work without end, each holding one event
// starting at `start` ("20300115T100000").

// A time zone that changes its clock every second since 1970, with the event in it.
inline QByteArray secondlyZoneCalendar(const QByteArray& start) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Attack\r\n"
           "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nTZOFFSETFROM:+0100\r\n"
           "TZOFFSETTO:+0000\r\nRRULE:FREQ=SECONDLY\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
           "BEGIN:VEVENT\r\nUID:zoned\r\nSUMMARY:Zoned\r\nDTSTART;TZID=Attack:" +
           start + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// The event's summary one line of `bytes` bytes; the start in universal time.
inline QByteArray longLineCalendar(qsizetype bytes, const QByteArray& start) {
    return "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:long\r\nDTSTART:" + start +
           "Z\r\nSUMMARY:" + QByteArray(bytes, 'x') + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

} // namespace morvanex::test
