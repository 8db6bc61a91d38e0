#include "support/LogCapture.h"

#include <mutex>
#include <vector>

namespace morvanex::test {
namespace {

std::mutex& mutex() {
    static std::mutex instance;
    return instance;
}

std::vector<std::string>& lines() {
    static std::vector<std::string> instance;
    return instance;
}

void record(QtMsgType, const QMessageLogContext& context, const QString& text) {
    const std::string category = context.category ? context.category : "default";
    const std::lock_guard lock(mutex());
    lines().push_back(category + ": " + text.toStdString());
}

} // namespace

LogCapture::LogCapture() : previous_(qInstallMessageHandler(&record)) {
    const std::lock_guard lock(mutex());
    lines().clear();
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous_);
}

int LogCapture::count(const std::string& text) const {
    const std::lock_guard lock(mutex());
    int found = 0;
    for (const auto& line : lines())
        found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
}

std::string LogCapture::all() const {
    const std::lock_guard lock(mutex());
    std::string out;
    for (const auto& line : lines())
        out += line + '\n';
    return out;
}

} // namespace morvanex::test
