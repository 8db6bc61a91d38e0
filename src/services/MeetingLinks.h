#pragma once

#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

// Video-call links of calendar events.
namespace morvanex::meetinglinks {

// The link hosts of the known video-call services: Zoom, Google Meet, Microsoft Teams (business
// and consumer), Webex and FaceTime.
const std::vector<QString>& serviceHosts();

// True when the URL's host is one of the service hosts or a subdomain of one
// ("us02web.zoom.us" is Zoom, "evilzoom.us" is not).
bool isMeetingLink(const QUrl& url);

// Every link in free text, in text order: URLs with a scheme ("https://…"), and host names with
// a path or a "www." prefix, which are taken as http links. Trailing punctuation is left out.
std::vector<QUrl> findLinks(const QString& text);

// The video-call link of an event: its own URL when that is a meeting link, else the first
// meeting link in its location and notes (joined by a space).
std::optional<QUrl> meetingURL(const std::optional<QString>& ownURL,
                               const std::optional<QString>& location,
                               const std::optional<QString>& notes);

} // namespace morvanex::meetinglinks
