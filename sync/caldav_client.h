#pragma once
// A calendar server spoken to over CalDAV (RFC 4791, WebDAV sync RFC 6578):
// finding the user's calendars, listing what one holds, taking and sending
// events with the preconditions that keep two writers from overwriting each
// other. HTTP is libcurl's and XML is expat's; certificates are verified.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sync/sync_plan.h"

struct HttpAnswer {
    long status = 0;     // 0: no answer (the error says why)
    std::string body;
    std::string etag;    // the ETag header, as sent
    std::string error;   // for the user, when there is no answer
};

struct CalendarFound {
    std::string href;  // the collection's path
    std::string name;  // its display name, or the last part of its path
};

// One resource of a calendar with its text.
struct RemoteText {
    std::string href, etag, uid, text;
};

class CalDavClient {
public:
    // `base`: the server's address as the user typed it (http or https).
    CalDavClient(std::string base, std::string user, std::string password);
    ~CalDavClient();
    CalDavClient(const CalDavClient&) = delete;
    CalDavClient& operator=(const CalDavClient&) = delete;

    // Refused before any request: a plain http:// address other than this
    // machine, unless allowed.
    static std::string CheckAddress(const std::string& base, bool allowPlainHttp);

    // The calendars of the user: the well-known address, the principal,
    // the calendar home, then its collections that are calendars.
    bool Discover(std::vector<CalendarFound>& out, std::string& error);

    // What the calendar holds now. With a token and a server that keeps
    // them, only what changed since (`view.complete` false); an expired
    // token falls back to the whole listing. `newToken`: the token to keep.
    bool List(const std::string& calendar, const std::string& token, RemoteView& view, std::string& newToken,
              std::string& error);
    // The texts of these resources (one request); the UID is read from each.
    bool Fetch(const std::string& calendar, const std::vector<std::string>& hrefs, std::vector<RemoteText>& out,
               std::string& error);
    // Sends an event's text: as new (`ifMatch` empty: If-None-Match: *) or
    // over the version `ifMatch`. The new ETag, or empty when the server did
    // not say (then it is listed next time). `status` 412: the precondition
    // failed, someone else wrote first.
    HttpAnswer Put(const std::string& href, const std::string& text, const std::string& ifMatch);
    HttpAnswer Delete(const std::string& href, const std::string& ifMatch);

    // Once `stop` is set, the request under way ends within a second and
    // every later one at once, without an answer: a program that quits does
    // not wait for a slow server.
    void StopWhen(const std::atomic<bool>* stop) { stop_ = stop; }

    // Requests made since construction: for the figures and the tests.
    int Requests() const { return requests_; }
    // A resource path for a new event of `calendar`.
    static std::string HrefFor(const std::string& calendar, const std::string& uid);

private:
    HttpAnswer Send(const std::string& method, const std::string& pathOrUrl, const std::vector<std::string>& headers,
                    const std::string& body);
    std::string UrlOf(const std::string& pathOrUrl) const;

    std::string base_, user_, password_;
    std::string origin_;  // scheme://host[:port]
    void* curl_ = nullptr;
    int requests_ = 0;
    const std::atomic<bool>* stop_ = nullptr;
};

// The UID of an iCalendar text's first component; empty when none.
std::string UidOfICalendar(const std::string& text);
