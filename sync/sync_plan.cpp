#include "sync/sync_plan.h"

#include "events/ansi.h"

#include <charconv>
#include <unordered_set>
#include <utility>

SyncPlan PlanSync(const std::vector<LocalEvent>& local, const RemoteView& remote, const SyncState& state) {
    // The server's events by UID as they are now. An incremental answer says
    // only what changed: the rest is as the last round left it.
    std::vector<RemoteEvent> thereList;
    std::unordered_map<std::string, size_t> there;
    auto put = [&](const RemoteEvent& r) {
        if (const auto [it, fresh] = there.emplace(r.uid, thereList.size()); fresh) thereList.push_back(r);
        else thereList[it->second] = r;
    };
    std::unordered_set<std::string> gone;
    if (!remote.complete) {
        for (const std::string& href : remote.goneHrefs)
            if (const SyncedEvent* s = state.FindHref(href)) gone.insert(s->uid);
        for (const RemoteEvent& r : remote.present)
            if (const SyncedEvent* s = state.FindHref(r.href); s && s->uid != r.uid) gone.insert(s->uid);
        for (const RemoteEvent& r : remote.present) gone.erase(r.uid);
        for (const SyncedEvent& s : state.Events())
            if (!gone.count(s.uid)) put({s.uid, s.href, s.etag});
    }
    for (const RemoteEvent& r : remote.present) put(r);

    SyncPlan plan;
    std::unordered_set<std::string> here;
    for (const LocalEvent& l : local) {
        if (!here.insert(l.uid).second) continue;
        const SyncedEvent* s = state.Find(l.uid);
        const auto r = there.find(l.uid);
        if (r == there.end()) {
            // Deleted there but changed here: the change stays, sent again.
            if (!s || l.hash != s->hash) plan.create.push_back(l.uid);
            else plan.dropLocal.push_back(l.uid);
            continue;
        }
        const RemoteEvent& theirs = thereList[r->second];
        if (!s) {
            plan.conflicts.push_back(theirs);
            continue;
        }
        const bool changedHere = l.hash != s->hash;
        const bool changedThere = theirs.etag != s->etag || theirs.href != s->href;
        if (changedHere && changedThere) plan.conflicts.push_back(theirs);
        else if (changedHere) plan.update.push_back({l.uid, theirs.href, theirs.etag, l.hash});
        else if (changedThere) plan.fetch.push_back(theirs);
    }
    for (const RemoteEvent& r : thereList) {
        if (here.count(r.uid)) continue;
        const SyncedEvent* s = state.Find(r.uid);
        // Deleted here but changed there: the change stays, taken again.
        if (!s || r.etag != s->etag || r.href != s->href) plan.fetch.push_back(r);
        else plan.remove.push_back(*s);
    }
    for (const SyncedEvent& s : state.Events())
        if (!here.count(s.uid) && !there.count(s.uid)) plan.forget.push_back(s.uid);
    return plan;
}

const SyncedEvent* SyncState::Find(const std::string& uid) const {
    const auto it = byUid_.find(uid);
    return it == byUid_.end() ? nullptr : &events_[it->second];
}

const SyncedEvent* SyncState::FindHref(const std::string& href) const {
    const auto it = byHref_.find(href);
    return it == byHref_.end() ? nullptr : &events_[it->second];
}

void SyncState::Agree(const SyncedEvent& e) {
    if (const auto it = byUid_.find(e.uid); it != byUid_.end()) {
        SyncedEvent& old = events_[it->second];
        if (old.href != e.href) {
            byHref_.erase(old.href);
            byHref_[e.href] = it->second;
        }
        old = e;
        return;
    }
    // Another UID at the same resource was replaced there.
    if (const auto it = byHref_.find(e.href); it != byHref_.end()) Forget(events_[it->second].uid);
    byUid_[e.uid] = events_.size();
    byHref_[e.href] = events_.size();
    events_.push_back(e);
}

void SyncState::Forget(const std::string& uid) {
    const auto it = byUid_.find(uid);
    if (it == byUid_.end()) return;
    const size_t at = it->second;
    byHref_.erase(events_[at].href);
    byUid_.erase(it);
    if (at + 1 != events_.size()) {
        events_[at] = std::move(events_.back());
        byUid_[events_[at].uid] = at;
        byHref_[events_[at].href] = at;
    }
    events_.pop_back();
}

namespace {

constexpr std::string_view kHeader = "dayloom sync 1";

// Tabs and line ends separate the fields; they and the escape itself are
// written as %XX.
void PutField(std::string& out, std::string_view s) {
    for (const char c : s) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            static const char kHex[] = "0123456789ABCDEF";
            out += '%';
            out += kHex[static_cast<unsigned char>(c) >> 4];
            out += kHex[static_cast<unsigned char>(c) & 15];
        } else {
            out += c;
        }
    }
}

bool GetField(std::string_view s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        unsigned v = 0;
        if (i + 2 >= s.size()) return false;
        const auto r = std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16);
        if (r.ec != std::errc() || r.ptr != s.data() + i + 3) return false;
        out += static_cast<char>(v);
        i += 2;
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> parts;
    for (size_t tab; (tab = line.find('\t')) != std::string_view::npos; line.remove_prefix(tab + 1))
        parts.push_back(line.substr(0, tab));
    parts.push_back(line);
    return parts;
}

}  // namespace

std::string SyncState::Text() const {
    std::string out(kHeader);
    out += "\ntoken\t";
    PutField(out, token);
    out += '\n';
    if (lastDone > 0) {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, lastDone);
        out += "done\t";
        out.append(buf, r.ptr);
        out += '\n';
    }
    for (const SyncedEvent& e : events_) {
        out += "e\t";
        PutField(out, e.uid);
        out += '\t';
        PutField(out, e.href);
        out += '\t';
        PutField(out, e.etag);
        out += '\t';
        out += std::to_string(e.hash);
        out += '\n';
    }
    return out;
}

bool SyncState::Read(std::string_view text) {
    *this = SyncState{};
    SyncState read;
    bool first = true;
    for (const std::string& line : SplitLines(text)) {
        if (std::exchange(first, false)) {
            if (line != kHeader) return false;
            continue;
        }
        const std::vector<std::string_view> f = Split(line);
        if (f[0] == "token" && f.size() == 2) {
            if (!GetField(f[1], read.token)) return false;
        } else if (f[0] == "done" && f.size() == 2) {
            const auto r = std::from_chars(f[1].data(), f[1].data() + f[1].size(), read.lastDone);
            if (r.ec != std::errc() || r.ptr != f[1].data() + f[1].size() || !(read.lastDone > 0)) return false;
        } else if (f[0] == "e" && f.size() == 5) {
            SyncedEvent e;
            if (!GetField(f[1], e.uid) || !GetField(f[2], e.href) || !GetField(f[3], e.etag)) return false;
            const auto r = std::from_chars(f[4].data(), f[4].data() + f[4].size(), e.hash);
            if (r.ec != std::errc() || r.ptr != f[4].data() + f[4].size() || e.uid.empty() || e.href.empty())
                return false;
            read.Agree(e);
        } else {
            return false;
        }
    }
    if (first) return false;
    *this = std::move(read);
    return true;
}
