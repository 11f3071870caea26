#include "sync/caldav_client.h"

#include <curl/curl.h>
#include <expat.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// ---- XML: a small tree from expat, names as "namespace local" ----

struct Node {
    std::string name, text;
    std::vector<std::unique_ptr<Node>> kids;
    Node* parent = nullptr;

    const Node* Child(std::string_view n) const {
        for (const auto& k : kids)
            if (k->name == n) return k.get();
        return nullptr;
    }
    std::vector<const Node*> All(std::string_view n) const {
        std::vector<const Node*> out;
        for (const auto& k : kids)
            if (k->name == n) out.push_back(k.get());
        return out;
    }
    // The first descendant of that name, depth first.
    const Node* Find(std::string_view n) const {
        for (const auto& k : kids) {
            if (k->name == n) return k.get();
            if (const Node* f = k->Find(n)) return f;
        }
        return nullptr;
    }
};

constexpr const char* kDav = "DAV: ";
constexpr const char* kCal = "urn:ietf:params:xml:ns:caldav ";
std::string Dav(std::string_view local) { return kDav + std::string(local); }
std::string Cal(std::string_view local) { return kCal + std::string(local); }

struct XmlBuild {
    Node root;
    Node* at = &root;
    int depth = 0;
    bool tooDeep = false;
};

bool ParseXml(const std::string& body, Node& root, std::string& error) {
    XmlBuild b;
    XML_Parser p = XML_ParserCreateNS("UTF-8", ' ');
    XML_SetUserData(p, &b);
    XML_SetElementHandler(
        p,
        [](void* data, const XML_Char* name, const XML_Char**) {
            auto* b = static_cast<XmlBuild*>(data);
            if (++b->depth > 64) {
                b->tooDeep = true;
                return;
            }
            auto n = std::make_unique<Node>();
            n->name = name;
            n->parent = b->at;
            b->at->kids.push_back(std::move(n));
            b->at = b->at->kids.back().get();
        },
        [](void* data, const XML_Char*) {
            auto* b = static_cast<XmlBuild*>(data);
            if (b->depth-- > 64) return;
            if (b->at->parent) b->at = b->at->parent;
        });
    XML_SetCharacterDataHandler(p, [](void* data, const XML_Char* s, int len) {
        auto* b = static_cast<XmlBuild*>(data);
        if (!b->tooDeep) b->at->text.append(s, static_cast<size_t>(len));
    });
    const bool ok = XML_Parse(p, body.data(), static_cast<int>(std::min<size_t>(body.size(), INT32_MAX)), 1) ==
                    XML_STATUS_OK;
    if (!ok) error = std::string("ответ сервера не читается как XML: ") + XML_ErrorString(XML_GetErrorCode(p));
    XML_ParserFree(p);
    if (ok && b.tooDeep) error = "ответ сервера вложен слишком глубоко";
    root = std::move(b.root);
    for (auto& k : root.kids) k->parent = &root;
    return ok && !b.tooDeep;
}

std::string Trim(std::string s) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

std::string XmlEscape(std::string_view s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string PercentEncodeSegment(std::string_view s) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~' || c == '@') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

// Servers answer with paths or whole addresses, encoded or not: one form,
// the decoded path, is compared and kept.
std::string PathOf(std::string href) {
    href = Trim(std::move(href));
    if (const size_t scheme = href.find("://"); scheme != std::string::npos) {
        const size_t slash = href.find('/', scheme + 3);
        href = slash == std::string::npos ? "/" : href.substr(slash);
    }
    return PercentDecode(href);
}

bool IsCollectionOf(const std::string& path, const std::string& collection) {
    auto strip = [](std::string s) {
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    };
    return strip(path) == strip(collection);
}

size_t CollectBody(char* data, size_t size, size_t n, void* out) {
    auto* s = static_cast<std::string*>(out);
    // A calendar is large, an answer without end is not one.
    if (s->size() + size * n > (size_t{512} << 20)) return 0;
    s->append(data, size * n);
    return size * n;
}

// Called by libcurl at least once a second while a request runs.
int StopIfAsked(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

size_t CollectHeader(char* data, size_t size, size_t n, void* out) {
    const std::string_view line(data, size * n);
    if (line.size() > 5 && (line.substr(0, 5) == "ETag:" || line.substr(0, 5) == "etag:" || line.substr(0, 5) == "Etag:"))
        *static_cast<std::string*>(out) = Trim(std::string(line.substr(5)));
    return size * n;
}

}  // namespace

std::string UidOfICalendar(const std::string& text) {
    // Unfolded line by line: a line that begins with a space or tab continues the one before.
    std::string line;
    auto uidOf = [](const std::string& l) -> std::string {
        if (l.size() < 4) return {};
        std::string head = l.substr(0, 3);
        for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (head != "UID" || (l[3] != ':' && l[3] != ';')) return {};
        const size_t colon = l.find(':', 3);
        return colon == std::string::npos ? std::string() : Trim(l.substr(colon + 1));
    };
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find('\n', i);
        if (end == std::string::npos) end = text.size();
        std::string piece = text.substr(i, end - i);
        if (!piece.empty() && piece.back() == '\r') piece.pop_back();
        if (!piece.empty() && (piece[0] == ' ' || piece[0] == '\t')) {
            line += piece.substr(1);
        } else {
            if (std::string uid = uidOf(line); !uid.empty()) return uid;
            line = piece;
        }
        i = end + 1;
    }
    return uidOf(line);
}

CalDavClient::CalDavClient(std::string base, std::string user, std::string password)
    : base_(std::move(base)), user_(std::move(user)), password_(std::move(password)) {
    static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialized;
    curl_ = curl_easy_init();
    const size_t scheme = base_.find("://");
    const size_t slash = scheme == std::string::npos ? std::string::npos : base_.find('/', scheme + 3);
    origin_ = slash == std::string::npos ? base_ : base_.substr(0, slash);
    if (base_.size() == origin_.size()) base_ += '/';
}

CalDavClient::~CalDavClient() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

std::string CalDavClient::CheckAddress(const std::string& base, bool allowPlainHttp) {
    std::string lower = base;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.rfind("https://", 0) == 0) return {};
    if (lower.rfind("http://", 0) != 0) return "адрес сервера должен начинаться с https:// или http://";
    const std::string rest = lower.substr(7);
    const std::string host = rest.rfind('[', 0) == 0 ? rest.substr(0, rest.find(']') + 1)
                                                     : rest.substr(0, rest.find_first_of("/:"));
    const bool local = host == "localhost" || host == "127.0.0.1" || host == "[::1]";
    if (local || allowPlainHttp) return {};
    return "адрес http:// без шифрования разрешён только для этого компьютера; "
           "используйте https:// или разрешите http в настройке";
}

std::string CalDavClient::UrlOf(const std::string& pathOrUrl) const {
    if (pathOrUrl.find("://") != std::string::npos) return pathOrUrl;
    // Paths are kept decoded; each segment goes out encoded.
    std::string url = origin_;
    size_t i = 0;
    while (i < pathOrUrl.size()) {
        const size_t slash = pathOrUrl.find('/', i);
        const size_t end = slash == std::string::npos ? pathOrUrl.size() : slash;
        url += PercentEncodeSegment(std::string_view(pathOrUrl).substr(i, end - i));
        if (slash != std::string::npos) url += '/';
        i = end + 1;
    }
    return url;
}

std::string CalDavClient::HrefFor(const std::string& calendar, const std::string& uid) {
    std::string safe;
    for (const char c : uid) safe += (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) ? '_' : c;
    return calendar + (calendar.empty() || calendar.back() != '/' ? "/" : "") + safe + ".ics";
}

HttpAnswer CalDavClient::Send(const std::string& method, const std::string& pathOrUrl,
                              const std::vector<std::string>& headers, const std::string& body) {
    HttpAnswer a;
    auto* c = static_cast<CURL*>(curl_);
    if (!c) {
        a.error = "сетевой клиент не запустился";
        return a;
    }
    if (stop_ && stop_->load()) {
        a.error = "синхронизация прервана";
        return a;
    }
    ++requests_;
    curl_easy_reset(c);
    const std::string url = UrlOf(pathOrUrl);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(c, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 120L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &a.body);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, CollectHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &a.etag);
    if (stop_) {
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, StopIfAsked);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop_));
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    }
    if (!body.empty() || method == "PUT") {
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_slist* list = nullptr;
    for (const std::string& h : headers) list = curl_slist_append(list, h.c_str());
    list = curl_slist_append(list, "Expect:");  // no 100-continue round trip
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);
    const CURLcode rc = curl_easy_perform(c);
    curl_slist_free_all(list);
    if (rc != CURLE_OK) {
        a.error = std::string("нет ответа сервера: ") + curl_easy_strerror(rc);
        a.body.clear();
        return a;
    }
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &a.status);
    if (a.status == 401) a.error = "сервер не принял имя пользователя или пароль";
    return a;
}

namespace {

const char kXmlHeader[] = "Content-Type: application/xml; charset=utf-8";

// The hrefs of a multistatus answer's responses with a prop found OK.
const Node* OkProp(const Node& response) {
    for (const Node* ps : response.All(Dav("propstat"))) {
        const Node* st = ps->Child(Dav("status"));
        if (st && st->text.find(" 200") == std::string::npos) continue;
        if (const Node* prop = ps->Child(Dav("prop"))) return prop;
    }
    return nullptr;
}

bool Multistatus(const HttpAnswer& a, Node& root, std::string& error) {
    if (a.status == 0) {
        error = a.error;
        return false;
    }
    if (a.status != 207) {
        error = a.error.empty() ? "сервер ответил " + std::to_string(a.status) : a.error;
        return false;
    }
    return ParseXml(a.body, root, error);
}

}  // namespace

bool CalDavClient::Discover(std::vector<CalendarFound>& out, std::string& error) {
    out.clear();
    const std::string principalBody =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
        "<d:current-user-principal/></d:prop></d:propfind>";
    std::string principal;
    for (const std::string& where : {origin_ + "/.well-known/caldav", base_}) {
        Node root;
        std::string why;
        if (!Multistatus(Send("PROPFIND", where, {"Depth: 0", kXmlHeader}, principalBody), root, why)) {
            error = why;
            if (why.find("пароль") != std::string::npos) return false;
            continue;
        }
        if (const Node* p = root.Find(Dav("current-user-principal")); p && p->Child(Dav("href"))) {
            principal = PathOf(p->Child(Dav("href"))->text);
            break;
        }
    }
    if (principal.empty()) {
        if (error.empty()) error = "сервер не назвал календари пользователя";
        return false;
    }
    Node home;
    if (!Multistatus(Send("PROPFIND", principal, {"Depth: 0", kXmlHeader},
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\" "
                          "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop><c:calendar-home-set/></d:prop>"
                          "</d:propfind>"),
                     home, error))
        return false;
    const Node* set = home.Find(Cal("calendar-home-set"));
    if (!set || !set->Child(Dav("href"))) {
        error = "сервер не назвал папку календарей";
        return false;
    }
    const std::string homePath = PathOf(set->Child(Dav("href"))->text);
    Node list;
    if (!Multistatus(Send("PROPFIND", homePath, {"Depth: 1", kXmlHeader},
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                          "<d:resourcetype/><d:displayname/></d:prop></d:propfind>"),
                     list, error))
        return false;
    for (const Node* r : list.Find(Dav("multistatus")) ? list.Find(Dav("multistatus"))->All(Dav("response"))
                                                        : std::vector<const Node*>{}) {
        const Node* href = r->Child(Dav("href"));
        const Node* prop = OkProp(*r);
        if (!href || !prop) continue;
        const Node* type = prop->Child(Dav("resourcetype"));
        if (!type || !type->Child(Cal("calendar"))) continue;
        CalendarFound c;
        c.href = PathOf(href->text);
        if (const Node* name = prop->Child(Dav("displayname")); name && !Trim(name->text).empty())
            c.name = Trim(name->text);
        else {
            std::string p = c.href;
            while (p.size() > 1 && p.back() == '/') p.pop_back();
            c.name = p.substr(p.rfind('/') + 1);
        }
        out.push_back(c);
    }
    if (out.empty()) error = "у пользователя на сервере нет календарей";
    return !out.empty();
}

bool CalDavClient::List(const std::string& calendar, const std::string& tokenIn, RemoteView& view,
                        std::string& newToken, std::string& error) {
    const std::string token = tokenIn;  // the caller may hand the same string for both
    view = RemoteView{};
    newToken.clear();
    const std::string report =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
        XmlEscape(token) + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                           "</d:sync-collection>";
    HttpAnswer a = Send("REPORT", calendar, {kXmlHeader}, report);
    bool incremental = !token.empty();
    if (a.status != 207 && a.status != 0 && a.status != 401 && !token.empty()) {
        // The token expired: everything again, with a new token.
        a = Send("REPORT", calendar, {kXmlHeader},
                 "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\"><d:sync-token/>"
                 "<d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>");
        incremental = false;
    }
    bool tokens = a.status == 207;
    if (a.status != 207 && a.status != 0 && a.status != 401) {
        // A server without sync-collection: the whole listing every time.
        a = Send("PROPFIND", calendar, {"Depth: 1", kXmlHeader},
                 "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/>"
                 "</d:prop></d:propfind>");
        incremental = false;
        tokens = false;
    }
    Node root;
    if (!Multistatus(a, root, error)) return false;
    const Node* ms = root.Find(Dav("multistatus"));
    if (!ms) {
        error = "сервер ответил не списком";
        return false;
    }
    view.complete = !incremental;
    for (const Node* r : ms->All(Dav("response"))) {
        const Node* href = r->Child(Dav("href"));
        if (!href) continue;
        const std::string path = PathOf(href->text);
        if (IsCollectionOf(path, calendar)) continue;
        if (const Node* st = r->Child(Dav("status")); st && st->text.find(" 404") != std::string::npos) {
            view.goneHrefs.push_back(path);
            continue;
        }
        const Node* prop = OkProp(*r);
        const Node* etag = prop ? prop->Child(Dav("getetag")) : nullptr;
        if (!etag) continue;
        view.present.push_back({"", path, Trim(etag->text)});
    }
    if (tokens)
        if (const Node* t = ms->Child(Dav("sync-token"))) newToken = Trim(t->text);
    return true;
}

bool CalDavClient::Fetch(const std::string& calendar, const std::vector<std::string>& hrefs,
                         std::vector<RemoteText>& out, std::string& error) {
    out.clear();
    if (hrefs.empty()) return true;
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:calendar-multiget xmlns:d=\"DAV:\" "
        "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop><d:getetag/><c:calendar-data/></d:prop>";
    for (const std::string& h : hrefs) body += "<d:href>" + XmlEscape(UrlOf(h).substr(origin_.size())) + "</d:href>";
    body += "</c:calendar-multiget>";
    Node root;
    if (!Multistatus(Send("REPORT", calendar, {"Depth: 1", kXmlHeader}, body), root, error)) return false;
    const Node* ms = root.Find(Dav("multistatus"));
    if (!ms) return true;
    for (const Node* r : ms->All(Dav("response"))) {
        const Node* href = r->Child(Dav("href"));
        const Node* prop = OkProp(*r);
        if (!href || !prop) continue;
        const Node* data = prop->Child(Cal("calendar-data"));
        const Node* etag = prop->Child(Dav("getetag"));
        if (!data || !etag) continue;
        RemoteText t{PathOf(href->text), Trim(etag->text), UidOfICalendar(data->text), data->text};
        if (!t.uid.empty()) out.push_back(std::move(t));
    }
    return true;
}

HttpAnswer CalDavClient::Put(const std::string& href, const std::string& text, const std::string& ifMatch) {
    std::vector<std::string> headers{"Content-Type: text/calendar; charset=utf-8"};
    headers.push_back(ifMatch.empty() ? "If-None-Match: *" : "If-Match: " + ifMatch);
    HttpAnswer a = Send("PUT", href, headers, text);
    if (a.status != 0 && (a.status < 200 || a.status > 299) && a.error.empty())
        a.error = "сервер не принял событие (" + std::to_string(a.status) + ")";
    return a;
}

HttpAnswer CalDavClient::Delete(const std::string& href, const std::string& ifMatch) {
    HttpAnswer a = Send("DELETE", href, {"If-Match: " + ifMatch}, "");
    if (a.status != 0 && (a.status < 200 || a.status > 299) && a.status != 404 && a.error.empty())
        a.error = "сервер не удалил событие (" + std::to_string(a.status) + ")";
    return a;
}
