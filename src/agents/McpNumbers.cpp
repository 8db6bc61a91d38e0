#include "agents/McpNumbers.h"

#include "base/Numbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace morvanex::mcp {
namespace {

// 2^63: every whole double strictly below it in magnitude fits a signed 64-bit integer.
constexpr double int64Limit = 9223372036854775808.0;

// The fixed-decimal text with trailing zeros, a bare point and a minus sign on zero removed.
std::string shortestDecimal(std::string text) {
    if (const auto point = text.find('.'); point != std::string::npos) {
        const auto last = text.find_last_not_of('0');
        text.erase(last == point ? point : last + 1);
    }
    if (text.find_first_not_of("-0") == std::string::npos)
        return "0";
    return text;
}

} // namespace

QJsonValue r(double value, int decimals) {
    if (!std::isfinite(value))
        return QJsonValue(qint64(0));
    const std::string text = numbers::fixed(value, decimals);
    double rounded = 0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    if (rounded == std::trunc(rounded) && std::fabs(rounded) < int64Limit)
        return QJsonValue(qint64(rounded)); // -0.0 becomes the integer 0
    return QJsonValue(rounded);
}

QString rText(double value, int decimals) {
    if (!std::isfinite(value))
        return QStringLiteral("0");
    return QString::fromLatin1(shortestDecimal(numbers::fixed(value, decimals)));
}

std::int64_t wholeOrZero(double value) {
    return numbers::truncatedInt64(value).value_or(0);
}

QString hoursMinutes(std::int64_t minutes) {
    // As "%d:%02d" prints the quotient and remainder, signs included.
    const std::int64_t rest = minutes % 60;
    std::string text = numbers::integerText(minutes / 60) + ':';
    if (rest >= 0 && rest < 10)
        text += '0';
    return QString::fromLatin1(text + numbers::integerText(rest));
}

} // namespace morvanex::mcp
