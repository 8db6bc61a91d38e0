// The calendar reader: reads the calendar files the executable names on standard input and
// writes their events to standard output (see services/CalendarReader.h). It runs libical, whose
// work on a hostile file may have no end, in a process of its own that bounds itself here and
// that the executable kills at its time bounds and when it quits.

#include "services/CalendarReaderService.h"
#include "services/CalendarReaderWire.h"

#include <QtGlobal>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MORVANEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVANEX_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// Far above what reading a calendar of the largest size read takes.
constexpr rlim_t addressSpaceBytes = rlim_t(2) * 1024 * 1024 * 1024;
// The executable kills the reader long before; this holds should it fail to.
constexpr rlim_t processorSeconds = 60;

void limit(int resource, rlim_t value) {
    const rlimit bound{value, value};
    if (::setrlimit(resource, &bound) != 0)
        std::perror("morvanex-calendar-reader: setrlimit");
}

} // namespace

int main(int argc, char** argv) {
    // Dies with the thread that started it; if that is gone already, there is no one to answer.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc < 2 || std::strtoll(argv[1], nullptr, 10) != ::getppid()) {
        std::fputs("morvanex-calendar-reader: started by morvanex only\n", stderr);
        return int(morvanex::calendarwire::ReaderExit::notMyParent);
    }
    limit(RLIMIT_CPU, processorSeconds);
#ifndef MORVANEX_ADDRESS_SANITIZER
    // The address sanitizer reserves terabytes of address space up front: under it only the
    // time bounds hold the memory.
    limit(RLIMIT_AS, addressSpaceBytes);
#endif
    return morvanex::serveCalendarReads(STDIN_FILENO, STDOUT_FILENO);
}
