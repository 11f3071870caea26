#include "sync/sync_round.h"

#include <unordered_map>

SyncReport RunSyncRound(CalDavClient& client, const std::string& calendar, SyncState& state, SyncFolder& folder) {
    SyncReport report;
    const int before = client.Requests();
    RemoteView view;
    std::string token, error;
    if (!client.List(calendar, state.token, view, token, error)) {
        report.error = error;
        report.requests = client.Requests() - before;
        return report;
    }
    bool whole = true;  // every change the server named was taken: its token may be kept

    // The UIDs of resources first seen: their texts come in one request, and
    // are the ones taken below.
    std::unordered_map<std::string, RemoteText> texts;  // by href
    std::vector<std::string> unknown;
    for (RemoteEvent& r : view.present) {
        const SyncedEvent* s = state.FindHref(r.href);
        if (s) r.uid = s->uid;
        else unknown.push_back(r.href);
    }
    auto fetch = [&](const std::vector<std::string>& hrefs) {
        std::vector<std::string> wanted;
        for (const std::string& h : hrefs)
            if (!texts.count(h)) wanted.push_back(h);
        std::vector<RemoteText> got;
        if (wanted.empty()) return;
        if (!client.Fetch(calendar, wanted, got, error)) {
            report.problems.push_back(error);
            whole = false;
            return;
        }
        for (RemoteText& t : got) texts[t.href] = std::move(t);
    };
    fetch(unknown);
    std::vector<RemoteEvent> known;
    for (RemoteEvent& r : view.present) {
        if (r.uid.empty()) {
            const auto t = texts.find(r.href);
            if (t == texts.end()) {
                whole = false;  // not read now: listed again next time
                continue;
            }
            r.uid = t->second.uid;
            r.etag = t->second.etag;
        }
        known.push_back(r);
    }
    view.present = std::move(known);

    const std::vector<LocalEvent> local = folder.Events();
    const SyncPlan plan = PlanSync(local, view, state);
    // The state remembers the version agreed on by the hash of what was sent.
    std::unordered_map<std::string, uint64_t> hashes;
    for (const LocalEvent& e : local) hashes.emplace(e.uid, e.hash);

    // A refusal for want of the precondition (412) means someone wrote
    // first: the next round sees their version and plans again. Any request
    // not done keeps the old token, so the next listing names again what
    // this round meant to answer (a newer token would say nothing of it).
    auto refused = [&](const HttpAnswer& a) {
        whole = false;
        if (a.status != 412) report.problems.push_back(a.error);
    };
    if (!plan.create.empty() && !folder.BeforeSending(error)) {
        report.error = error;
        report.requests = client.Requests() - before;
        return report;
    }
    for (const std::string& uid : plan.create) {
        const std::string href = CalDavClient::HrefFor(calendar, uid);
        const HttpAnswer a = client.Put(href, folder.Text(uid), "");
        if (a.status >= 200 && a.status < 300) {
            state.Agree({uid, href, a.etag, hashes[uid]});
            ++report.sent;
        } else {
            refused(a);
        }
    }
    for (const SyncedEvent& e : plan.update) {
        const HttpAnswer a = client.Put(e.href, folder.Text(e.uid), e.etag);
        if (a.status >= 200 && a.status < 300) {
            state.Agree({e.uid, e.href, a.etag, e.hash});
            ++report.sent;
        } else {
            refused(a);
        }
    }
    for (const SyncedEvent& e : plan.remove) {
        const HttpAnswer a = client.Delete(e.href, e.etag);
        if ((a.status >= 200 && a.status < 300) || a.status == 404) {
            state.Forget(e.uid);
            ++report.deletedThere;
        } else {
            refused(a);
        }
    }

    std::vector<std::string> wanted;
    for (const RemoteEvent& r : plan.fetch) wanted.push_back(r.href);
    for (const RemoteEvent& r : plan.conflicts) wanted.push_back(r.href);
    fetch(wanted);
    auto take = [&](const RemoteEvent& r, bool conflict) {
        const auto t = texts.find(r.href);
        if (t == texts.end() || t->second.uid != r.uid) {
            whole = false;
            return;
        }
        if (conflict && folder.Differs(r.uid, t->second.text)) {
            folder.KeepAsConflict(r.uid);
            ++report.conflicts;
        }
        uint64_t hash = 0;
        std::string why;
        if (!folder.Take(r.uid, t->second.text, hash, why)) {
            report.problems.push_back(r.uid + ": " + why);
            whole = false;
            return;
        }
        state.Agree({r.uid, r.href, t->second.etag, hash});
        ++report.taken;
    };
    for (const RemoteEvent& r : plan.fetch) take(r, false);
    for (const RemoteEvent& r : plan.conflicts) take(r, true);
    for (const std::string& uid : plan.dropLocal) {
        folder.Drop(uid);
        state.Forget(uid);
        ++report.droppedHere;
    }
    for (const std::string& uid : plan.forget) state.Forget(uid);
    if (whole && !token.empty()) state.token = token;
    report.ok = true;
    report.requests = client.Requests() - before;
    return report;
}
