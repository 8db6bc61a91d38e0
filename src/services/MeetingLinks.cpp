#include "services/MeetingLinks.h"

#include <QRegularExpression>
#include <QStringList>

namespace morvanex::meetinglinks {

namespace {

// A scheme URL, a "www." host, or a dotted host name followed by a path; each runs up to white
// space, quotes or angle brackets (so links inside HTML attributes come out whole).
const QRegularExpression& linkPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w@.-])(?:)"
                       R"([a-z][a-z0-9+.-]*://[^\s<>"'`]+)"
                       R"(|www\.[^\s<>"'`]+)"
                       R"(|(?:[a-z0-9](?:[a-z0-9-]*[a-z0-9])?\.)+[a-z]{2,}(?::\d+)?/[^\s<>"'`]*))"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Sentence punctuation after a link, and a closing bracket that has no opening one inside it.
QString trimTrailing(QString link) {
    while (!link.isEmpty()) {
        const QChar last = link.back();
        if (QStringLiteral(".,;:!?").contains(last)) {
            link.chop(1);
            continue;
        }
        const QString closing = QStringLiteral(")]}");
        const QString opening = QStringLiteral("([{");
        const qsizetype kind = closing.indexOf(last);
        if (kind >= 0 && link.count(opening[kind]) < link.count(last)) {
            link.chop(1);
            continue;
        }
        break;
    }
    return link;
}

bool hasScheme(const QString& link) {
    const qsizetype separator = link.indexOf(QStringLiteral("://"));
    return separator > 0 && !link.left(separator).contains(QLatin1Char('/'));
}

} // namespace

const std::vector<QString>& serviceHosts() {
    static const std::vector<QString> hosts = {
        QStringLiteral("zoom.us"),
        QStringLiteral("meet.google.com"),
        QStringLiteral("teams.microsoft.com"),
        QStringLiteral("teams.live.com"),
        QStringLiteral("webex.com"),
        QStringLiteral("facetime.apple.com"),
    };
    return hosts;
}

bool isMeetingLink(const QUrl& url) {
    QString host = url.host().toLower();
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1); // the fully qualified form names the same host
    if (host.isEmpty())
        return false;
    for (const QString& service : serviceHosts())
        if (host == service || host.endsWith(QLatin1Char('.') + service))
            return true;
    return false;
}

std::vector<QUrl> findLinks(const QString& text) {
    std::vector<QUrl> links;
    auto matches = linkPattern().globalMatch(text);
    while (matches.hasNext()) {
        const QString link = trimTrailing(matches.next().captured(0));
        if (link.isEmpty())
            continue;
        const QUrl url(hasScheme(link) ? link : QStringLiteral("http://") + link,
                       QUrl::TolerantMode);
        if (url.isValid() && !url.host().isEmpty())
            links.push_back(url);
    }
    return links;
}

std::optional<QUrl> meetingURL(const std::optional<QString>& ownURL,
                               const std::optional<QString>& location,
                               const std::optional<QString>& notes) {
    if (ownURL) {
        const QUrl url(ownURL->trimmed(), QUrl::TolerantMode);
        if (url.isValid() && isMeetingLink(url))
            return url;
    }
    QStringList parts;
    if (location)
        parts.append(*location);
    if (notes)
        parts.append(*notes);
    for (const QUrl& link : findLinks(parts.join(QLatin1Char(' '))))
        if (isMeetingLink(link))
            return link;
    return std::nullopt;
}

} // namespace morvanex::meetinglinks
