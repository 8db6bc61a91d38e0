#include "services/MeetingLinks.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

std::optional<QString> opt(const char* text) {
    return text ? std::optional<QString>(QString::fromUtf8(text)) : std::nullopt;
}

} // namespace

TEST(MeetingLink, HostMustBeTheServiceDomainOrASubdomain) {
    struct Case {
        const char* url;
        bool meeting;
    };
    const Case cases[] = {
        {"https://zoom.us/j/123", true},
        {"https://us02web.zoom.us/j/123?pwd=x", true},
        {"https://ZOOM.US/j/1", true},
        {"https://zoom.us./j/1", true},
        {"https://meet.google.com/abc-defg-hij", true},
        {"https://teams.microsoft.com/l/meetup-join/1", true},
        {"https://teams.live.com/meet/1", true},
        {"https://acme.webex.com/meet/joe", true},
        {"https://facetime.apple.com/join#v=1", true},
        {"zoommtg://zoom.us/join?confno=1", true},
        {"https://evilzoom.us/j/1", false},
        {"https://zoom.us.evil.example/j/1", false},
        {"https://notwebex.com/meet", false},
        {"https://google.com/meet", false},
        {"https://example.com/?next=https://zoom.us/j/1", false},
        {"mailto:someone@zoom.us", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(meetinglinks::isMeetingLink(QUrl(QString::fromUtf8(c.url))), c.meeting) << c.url;
}

TEST(MeetingLink, FindsLinksInTextOrder) {
    const QString text = QStringLiteral(
        "Agenda (see https://example.com/doc). Dial in: www.example.org/dial, or "
        "meet.google.com/abc-defg-hij; mail me@zoom.us. <a href=\"https://zoom.us/j/9\">x</a> "
        "(https://en.wikipedia.org/wiki/Foo_(bar))");
    QStringList found;
    for (const QUrl& url : meetinglinks::findLinks(text))
        found.append(url.toString());
    EXPECT_EQ(found, (QStringList{"https://example.com/doc", "http://www.example.org/dial",
                                  "http://meet.google.com/abc-defg-hij", "https://zoom.us/j/9",
                                  "https://en.wikipedia.org/wiki/Foo_(bar)"}));
}

TEST(MeetingLink, EventLinkPrefersItsOwnURLThenTheFirstInLocationAndNotes) {
    struct Case {
        const char* what;
        const char* own;
        const char* location;
        const char* notes;
        std::optional<QUrl> expected;
    };
    const Case cases[] = {
        {"own URL is a meeting link", "https://zoom.us/j/1", "https://meet.google.com/aaa", nullptr,
         QUrl("https://zoom.us/j/1")},
        {"own URL of another host does not stop the search", "https://example.com/agenda", nullptr,
         "Join https://teams.microsoft.com/l/1", QUrl("https://teams.microsoft.com/l/1")},
        {"location before notes", nullptr, "https://acme.webex.com/meet/a", "https://zoom.us/j/2",
         QUrl("https://acme.webex.com/meet/a")},
        {"first of two in the notes", nullptr, nullptr,
         "Primary https://zoom.us/j/3 backup https://meet.google.com/bbb",
         QUrl("https://zoom.us/j/3")},
        {"look-alike hosts are skipped", nullptr, nullptr,
         "https://evilzoom.us/j/1 then https://meet.google.com/ccc",
         QUrl("https://meet.google.com/ccc")},
        {"no link at all", nullptr, "Room 4", "Bring snacks.", std::nullopt},
        {"nothing given", nullptr, nullptr, nullptr, std::nullopt},
        {"location and notes are joined by a space", nullptr, "https://zoom.us/j/4", "continues",
         QUrl("https://zoom.us/j/4")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(meetinglinks::meetingURL(opt(c.own), opt(c.location), opt(c.notes)), c.expected);
    }
}
