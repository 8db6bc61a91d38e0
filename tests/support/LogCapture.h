#pragma once

#include <QString>
#include <QtGlobal>
#include <string>

namespace morvanex::test {

// Collects Qt log messages from every thread while alive, each as "category: text"
// ("default: text" for uncategorised ones).
class LogCapture {
public:
    LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture();

    // Whether some message holds `text`, and how many do.
    bool contains(const std::string& text) const { return count(text) > 0; }
    int count(const std::string& text) const;
    std::string all() const; // one message a line, for failure output

private:
    const QtMessageHandler previous_;
};

} // namespace morvanex::test
