#include "sync/document_sync.h"

#include <algorithm>
#include <ctime>
#include <thread>
#include <unordered_set>

#include "events/ansi.h"
#include "events/foreign_event.h"
#include "import/ics.h"

namespace {

// The sync hash of an event: its record as the file holds it, with the UID
// it is known by, so the round that gives a UID does not count as a change.
uint64_t SyncHash(const TTodoItem& e, std::string_view uid) {
    if (e.SyncUid() == uid) return RecordHash(e);
    TTodoItem copy = e;
    copy.Raw.setSyncUid(uid);
    return RecordHash(copy);
}

std::string TextOf(const TTodoItem& e, const IcsZone& zone) {
    TodoItems one;
    one.Add(e);
    IcsExportOptions o;
    o.Zone = zone;
    o.Now = FromWallSeconds(ToWall(zone, static_cast<int64_t>(std::time(nullptr))));
    const ChunkSource next = ICalendarChunks(one, o);
    std::string text;
    for (std::string_view chunk = next(); !chunk.empty(); chunk = next()) text.append(chunk);
    return text;
}

// What a user sees of an event, to tell whether two versions say the same.
bool SameForUser(const TTodoItem& a, const TTodoItem& b) {
    auto rule = [](const TTodoItem& e) {
        std::string lines;
        if (const TForeignEvent* f = e.Foreign()) {
            std::string_view t = f->Text();
            for (size_t at = 0; at < t.size();) {
                size_t end = t.find('\n', at);
                if (end == std::string_view::npos) end = t.size();
                const std::string_view line = t.substr(at, end - at);
                for (const char* key : {"RRULE", "EXDATE", "RDATE", "RECURRENCE-ID", "DTSTART", "DTEND", "DURATION"})
                    if (line.starts_with(key)) lines.append(line).push_back('\n');
                at = end + 1;
            }
        }
        return lines;
    };
    return a.Subject == b.Subject && a.NotesText() == b.NotesText() && a.CreationDate == b.CreationDate &&
           a.CompletionDate == b.CompletionDate && a.Complete == b.Complete && a.ImageIndex == b.ImageIndex &&
           a.Repetition().Count == b.Repetition().Count && a.Repetition().Unit == b.Repetition().Unit &&
           a.Repetition().Mask == b.Repetition().Mask && rule(a) == rule(b);
}

// The one event of a server's text, as the folder would hold it.
bool ReadOne(const std::string& text, const std::string& uid, const IcsZone& zone, TTodoItem& out, std::string& why) {
    IcsRun run = ReadICalendar(text, zone);
    if (!run.ok) {
        why = run.Message;
        return false;
    }
    for (TTodoItem& e : run.Events)
        if (e.SyncUid() == uid) {
            out = std::move(e);
            return true;
        }
    // Our own export read back is an own event again, without a calendar's UID.
    if (run.Events.size() == 1 && run.Events[0].SyncUid().empty()) {
        out = std::move(run.Events[0]);
        out.Raw.setSyncUid(uid);
        return true;
    }
    why = run.Events.empty() ? (run.Skipped.empty() ? std::string("в тексте нет события")
                                                     : SkippedText(run.Skipped.front()))
                             : "UID в тексте не тот";
    return false;
}

}  // namespace

DocumentSync::DocumentSync(EventDocument& doc, const SyncSettings& settings, const IcsZone& zone)
    : doc_(doc), settings_(settings), zone_(zone) {}

void DocumentSync::Read(const std::function<void(const TodoItems&)>& read) {
    while (!doc_.ReadAside([&](const TodoItems& events, uint64_t, const std::atomic<bool>&) { read(events); }))
        std::this_thread::yield();
}

const TTodoItem* DocumentSync::Find(const TodoItems& events, const std::string& uid) const {
    const auto s = seen_.find(uid);
    if (s != seen_.end() && s->second.position < static_cast<size_t>(events.Count())) {
        const TTodoItem& at = events[static_cast<int>(s->second.position)];
        const std::string_view has = at.SyncUid();
        if (has == uid || (s->second.given && has.empty() && RecordHash(at) == s->second.record)) return &at;
    }
    // The events moved since the round looked: found again by UID. One
    // without a UID yet is found by what it was.
    for (const TTodoItem& e : events) {
        const std::string_view has = e.SyncUid();
        if (has == uid) return &e;
        if (s != seen_.end() && s->second.given && has.empty() && RecordHash(e) == s->second.record) return &e;
    }
    return nullptr;
}

std::vector<LocalEvent> DocumentSync::Events() {
    std::vector<LocalEvent> out;
    Read([&](const TodoItems& events) {
        out.clear();
        seen_.clear();
        std::unordered_map<std::string, int> made;  // UIDs given here, for the repeats of one identity
        std::unordered_set<std::string_view> kept;  // UIDs the events already hold: never given again
        for (const TTodoItem& e : events)
            if (GoesToServer(e.Imported, settings_) && !e.SyncUid().empty()) kept.insert(e.SyncUid());
        for (size_t i = 0; i < static_cast<size_t>(events.Count()); ++i) {
            const TTodoItem& e = events[static_cast<int>(i)];
            if (!GoesToServer(e.Imported, settings_)) continue;
            std::string uid(e.SyncUid());
            const bool given = uid.empty();
            if (given) {
                // Made from the event's identity, so the same event gets the
                // same UID however often it is asked before it is saved.
                const std::string base = IcsUid(e) + "@dayloom";
                do {
                    const int n = made[base]++;
                    uid = n == 0 ? base : base + "-" + std::to_string(n + 1);
                } while (kept.count(uid));
            }
            // A UID two events share (a copy of a calendar's event) goes for the first only.
            if (!seen_.emplace(uid, Seen{i, RecordHash(e), given}).second) continue;
            out.push_back({uid, SyncHash(e, uid)});
        }
    });
    return out;
}

std::string DocumentSync::Text(const std::string& uid) {
    std::string text;
    Read([&](const TodoItems& events) {
        const TTodoItem* e = Find(events, uid);
        if (!e) return text.clear();
        if (e->SyncUid() == uid) return void(text = TextOf(*e, zone_));
        TTodoItem copy = *e;
        copy.Raw.setSyncUid(uid);
        text = TextOf(copy, zone_);
    });
    return text;
}

bool DocumentSync::Differs(const std::string& uid, const std::string& serverText) {
    TTodoItem theirs, ours;
    std::string why;
    if (!ReadOne(serverText, uid, zone_, theirs, why)) return true;
    const std::string mine = Text(uid);
    if (mine.empty() || !ReadOne(mine, uid, zone_, ours, why)) return true;
    return !SameForUser(ours, theirs);
}

bool DocumentSync::Take(const std::string& uid, const std::string& serverText, uint64_t& hash, std::string& why) {
    TTodoItem item;
    if (!ReadOne(serverText, uid, zone_, item, why)) return false;
    // An event of a journal import that was changed elsewhere stays that import's.
    Read([&](const TodoItems& events) {
        if (const TTodoItem* e = Find(events, uid); e && e->Imported != TImportKind::None)
            item.Imported = e->Imported;
    });
    if (item.SyncUid() != uid) item.Raw.setSyncUid(uid);
    hash = RecordHash(item);
    pending_.push_back({Pending::What::Take, uid, std::move(item)});
    return true;
}

void DocumentSync::Drop(const std::string& uid) { pending_.push_back({Pending::What::Drop, uid, {}}); }

void DocumentSync::KeepAsConflict(const std::string& uid) { pending_.push_back({Pending::What::Keep, uid, {}}); }

bool DocumentSync::AnyGiven() const {
    return std::any_of(seen_.begin(), seen_.end(), [](const auto& s) { return s.second.given; });
}

void DocumentSync::PlaceUids(const TodoItems& events, std::unordered_map<std::string, size_t>& at,
                             std::unordered_map<size_t, TTodoItem>& replaced) {
    const bool given = AnyGiven();
    std::unordered_multimap<uint64_t, size_t> unnamed;  // events without a UID, by their record
    for (size_t i = 0; i < static_cast<size_t>(events.Count()); ++i) {
        const TTodoItem& e = events[static_cast<int>(i)];
        if (const std::string_view uid = e.SyncUid(); !uid.empty()) at.emplace(uid, i);
        else if (given) unnamed.emplace(RecordHash(e), i);
    }
    // The UIDs given: each kept in its event, if it is still as it was.
    for (auto& [uid, s] : seen_) {
        if (!s.given || at.count(uid)) continue;
        // Two equal events are told apart by where they stood.
        auto [u, end] = unnamed.equal_range(s.record);
        if (u == end) continue;
        for (auto v = u; v != end; ++v)
            if (v->second == s.position) u = v;
        TTodoItem e = events[static_cast<int>(u->second)];
        e.Raw.setSyncUid(uid);
        // From now on the round sees the event with its UID.
        s = {u->second, RecordHash(e), false};
        replaced[u->second] = std::move(e);
        at.emplace(uid, u->second);
        unnamed.erase(u);
    }
}

bool DocumentSync::KeepGivenUids() {
    if (!AnyGiven()) return false;
    bool changed = false;
    doc_.Change(ChangeKind::Synced, [&](EventDocument::Edit& edit) {
        std::unordered_map<std::string, size_t> at;
        std::unordered_map<size_t, TTodoItem> replaced;
        PlaceUids(edit.Events(), at, replaced);
        changed = !replaced.empty();
        for (auto& [i, e] : replaced) edit.Replace(i, std::move(e));
    });
    return changed;
}

bool DocumentSync::BeforeSending(std::string& why) { return !beforeSending_ || !AnyGiven() || beforeSending_(why); }

void DocumentSync::Apply() {
    if (pending_.empty() && !AnyGiven()) return;
    const std::string mark = ansi(kConflictMark);
    doc_.Change(ChangeKind::Synced, [&](EventDocument::Edit& edit) {
        const TodoItems& events = edit.Events();
        std::unordered_map<std::string, size_t> at;  // where each UID's event is now
        std::unordered_map<size_t, TTodoItem> replaced;
        PlaceUids(events, at, replaced);
        auto current = [&](size_t i) -> const TTodoItem& {
            const auto r = replaced.find(i);
            return r != replaced.end() ? r->second : events[static_cast<int>(i)];
        };
        // Changed here while the round ran: the round saw another version.
        auto changedMeanwhile = [&](const std::string& uid, size_t i) {
            const auto s = seen_.find(uid);
            if (s == seen_.end()) return true;  // not there when the round looked
            return RecordHash(events[static_cast<int>(i)]) != s->second.record;
        };
        auto keepCopy = [&](const TTodoItem& e, const std::string& uid) {
            TTodoItem copy = e;
            copy.Subject += mark;
            // A UID of its own, from the version it keeps.
            copy.Raw.setSyncUid(uid + "-" + std::to_string(RecordHash(copy) % 1000000007));
            edit.Add(std::move(copy));
        };
        std::unordered_map<std::string, bool> kept;
        for (Pending& p : pending_) {
            const auto found = at.find(p.uid);
            switch (p.what) {
            case Pending::What::Keep:
                if (found != at.end() && !kept[p.uid]) {
                    keepCopy(current(found->second), p.uid);
                    kept[p.uid] = true;
                }
                break;
            case Pending::What::Take:
                if (found == at.end()) {
                    edit.Add(std::move(p.item));
                    break;
                }
                if (!kept[p.uid] && changedMeanwhile(p.uid, found->second) &&
                    SyncHash(current(found->second), p.uid) != RecordHash(p.item)) {
                    keepCopy(current(found->second), p.uid);
                    kept[p.uid] = true;
                    ++lateConflicts_;
                }
                replaced[found->second] = std::move(p.item);
                break;
            case Pending::What::Drop:
                // A version the round did not see is the user's newer one: it stays.
                if (found != at.end() && !changedMeanwhile(p.uid, found->second)) {
                    replaced.erase(found->second);
                    edit.Remove(found->second);
                    at.erase(found);
                }
                break;
            }
        }
        for (auto& [i, e] : replaced) edit.Replace(i, std::move(e));
    });
    pending_.clear();
    seen_.clear();
}
