#include "support/MachineReads.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <sys/statvfs.h>

namespace morvanex::test {
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::map<QByteArray, double> meminfoBytes() {
    std::map<QByteArray, double> fields;
    for (const QByteArray& line : readAll(QStringLiteral("/proc/meminfo")).split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 2 && parts[0].endsWith(':'))
            fields[parts[0].chopped(1)] = parts[1].toDouble() * (parts.value(2) == "kB" ? 1024 : 1);
    }
    return fields;
}

namespace {

double sumOf(const std::map<QByteArray, double>& meminfo,
             std::initializer_list<const char*> names) {
    double sum = 0;
    for (const char* name : names) {
        const auto field = meminfo.find(name);
        sum += field != meminfo.end() ? field->second : 0;
    }
    return sum;
}

} // namespace

double wiredBytes(const std::map<QByteArray, double>& meminfo) {
    return sumOf(meminfo, {"SUnreclaim", "KernelStack", "PageTables"});
}

double appBytes(const std::map<QByteArray, double>& meminfo) {
    return sumOf(meminfo, {"AnonPages", "Shmem"});
}

std::array<double, 3> loadAverages() {
    const QList<QByteArray> fields = readAll(QStringLiteral("/proc/loadavg")).split(' ');
    return {fields.value(0).toDouble(), fields.value(1).toDouble(), fields.value(2).toDouble()};
}

double uptimeSeconds() {
    return readAll(QStringLiteral("/proc/uptime")).split(' ').value(0).toDouble();
}

int onlineProcessors(const QByteArray& list) {
    int count = 0;
    for (const QByteArray& part : list.trimmed().split(',')) {
        const QList<QByteArray> ends = part.split('-');
        bool firstOk = false;
        bool lastOk = true;
        const int first = ends.value(0).toInt(&firstOk);
        const int last = ends.size() == 2 ? ends.value(1).toInt(&lastOk) : first;
        if (firstOk && lastOk && ends.size() <= 2 && last >= first)
            count += last - first + 1;
    }
    return count;
}

int onlineProcessors() {
    return onlineProcessors(readAll(QStringLiteral("/sys/devices/system/cpu/online")));
}

std::optional<VolumeSpace> volumeSpace(const char* path) {
    struct statvfs info {};
    if (::statvfs(path, &info) != 0)
        return std::nullopt;
    const double block = info.f_frsize > 0 ? double(info.f_frsize) : double(info.f_bsize);
    return VolumeSpace{double(info.f_blocks) * block, double(info.f_bavail) * block,
                       (double(info.f_blocks) - double(info.f_bfree)) * block};
}

std::optional<double> vmstatCounter(const char* name) {
    for (const QByteArray& line : readAll(QStringLiteral("/proc/vmstat")).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2 && fields[0] == name)
            return fields[1].toDouble();
    }
    return std::nullopt;
}

int processCount() {
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    return int(std::count_if(entries.begin(), entries.end(), [](const QString& name) {
        bool number = false;
        name.toLongLong(&number);
        return number;
    }));
}

} // namespace morvanex::test
