#pragma once

#include <QByteArray>
#include <QLocale>
#include <cstdlib>
#include <ctime>

namespace morvanex::test {

// Pins the process's time zone and default locale for one test, restoring UTC and the previous
// locale afterwards (the test environment starts every test in UTC).
class PinnedZone {
public:
    PinnedZone(const char* zone, const char* locale) : previous_(QLocale()) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    }
    ~PinnedZone() {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        QLocale::setDefault(previous_);
    }
    PinnedZone(const PinnedZone&) = delete;
    PinnedZone& operator=(const PinnedZone&) = delete;

private:
    QLocale previous_;
};

} // namespace morvanex::test
