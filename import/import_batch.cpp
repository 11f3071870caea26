#include "import/import_batch.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "events/event_file.h"
#include "events/event_store.h"
#include "events/foreign_event.h"
#include "import/imported_events.h"

namespace {

TTodoItem Stored(const ZetNewEvent& e) {
    TTodoItem item = ImportedEvent(e.Subject, e.Notes, e.Start, e.End, e.AlertIndex, e.Kind);
    item.Imported = e.Source;
    return item;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "#" and the digits after it; empty when the subject does not begin so.
std::string_view GoodDayMarkerOf(std::string_view subject) {
    if (subject.empty() || subject[0] != '#') return {};
    size_t end = 1;
    while (end < subject.size() && IsDigit(subject[end])) ++end;
    return end > 1 ? subject.substr(0, end) : std::string_view{};
}

// The marker and the start to the minute, as one key.
std::string MarkerMomentKey(std::string_view marker, TDateTime start) {
    const int64_t minute = SafeDayNumber(start) * 1440 + MsOfDay(start) / 60000;
    return std::string(marker) + '|' + std::to_string(minute);
}

}  // namespace

ImportBatch BatchOf(const std::vector<ZetNewEvent>& events) {
    ImportBatch batch;
    // A journal that repeats itself makes no record for the repeats: a
    // hundred thousand copies of one line cost one record.
    std::vector<EventIdentity> identities;
    identities.reserve(events.size());
    for (const ZetNewEvent& e : events) identities.push_back({e.Start, &e.Subject});
    const std::vector<char> repeats = KnownIdentities(TodoItems(), identities);
    batch.Events.reserve(events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        if (repeats[i]) ++batch.Repeated;
        else batch.Events.push_back(Stored(events[i]));
    }
    return batch;
}

ImportBatch BatchOf(IcsRun&& run) {
    ImportBatch batch;
    batch.Events = std::move(run.Events);
    batch.Simplified = std::move(run.Simplified);
    batch.Undated = run.Undated;
    batch.Repeated = run.Repeated;
    batch.Skipped = std::move(run.Skipped);
    return batch;
}

ImportBatch GoodDaysBatch(const std::vector<ZetNewEvent>& events) {
    ImportBatch batch = BatchOf(events);
    batch.SameMarkerAndMoment = true;
    return batch;
}

ImportPlan PlanImport(const TodoItems& store, const ImportBatch& batch) {
    ImportPlan plan;
    const size_t n = batch.Events.size();
    plan.Add.assign(n, 1);
    plan.Summary.Undated = batch.Undated;
    plan.Summary.AlreadyThere = batch.Repeated;
    if (batch.SameMarkerAndMoment) {
        std::unordered_set<std::string> there;
        for (const TTodoItem& e : store) {
            const std::string_view marker = GoodDayMarkerOf(e.Subject);
            if (!marker.empty() && MatchesImportMarker(e, marker)) there.insert(MarkerMomentKey(marker, e.CreationDate));
        }
        for (size_t i = 0; i < n; ++i) {
            const std::string_view marker = GoodDayMarkerOf(batch.Events[i].Subject);
            if (!marker.empty() && there.count(MarkerMomentKey(marker, batch.Events[i].CreationDate)) != 0)
                plan.Add[i] = 0;
        }
    }
    plan.Replace.assign(n, -1);
    // Events of another calendar by their UIDs.
    std::unordered_map<std::string_view, int> stored;
    std::unordered_set<std::string_view> given;
    auto uidOf = [](const TTodoItem& e) {
        const TForeignEvent* f = e.Foreign();
        return f ? std::string_view(f->Uid()) : std::string_view();
    };
    for (size_t i = 0; i < n && stored.empty(); ++i)
        if (!uidOf(batch.Events[i]).empty())
            for (int p = 0; p < store.Count(); ++p)
                if (const std::string_view u = uidOf(store[p]); !u.empty()) stored.emplace(u, p);
    std::vector<char> byUid(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const std::string_view uid = uidOf(batch.Events[i]);
        if (uid.empty() || !plan.Add[i]) continue;
        byUid[i] = 1;
        if (!given.insert(uid).second) {
            plan.Add[i] = 0;
            continue;
        }
        const auto there = stored.find(uid);
        if (there == stored.end()) continue;
        const TTodoItem& old = store[there->second];
        // Given again unchanged, it is already there; changed, it replaces the old one.
        if (old.Foreign()->Text() != batch.Events[i].Foreign()->Text()) plan.Replace[i] = there->second;
        plan.Add[i] = 0;
    }
    std::vector<EventIdentity> identities;
    std::vector<size_t> asked;
    identities.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (!plan.Add[i] || byUid[i]) continue;
        identities.push_back({batch.Events[i].CreationDate, &batch.Events[i].Subject});
        asked.push_back(i);
    }
    const std::vector<char> known = KnownIdentities(store, identities);
    for (size_t k = 0; k < asked.size(); ++k)
        if (known[k]) plan.Add[asked[k]] = 0;
    for (size_t i = 0; i < n; ++i) {
        if (plan.Replace[i] >= 0) {
            ++plan.Summary.Updated;
            continue;
        }
        if (!plan.Add[i]) {
            ++plan.Summary.AlreadyThere;
            continue;
        }
        ++plan.Summary.Added;
        if (i < batch.Simplified.size() && batch.Simplified[i]) ++plan.Summary.Simplified;
    }
    return plan;
}

ChangeSummary MergeImport(EventDocument& doc, ImportBatch batch) {
    const ImportPlan plan = PlanImport(doc.Events(), batch);
    doc.Change(ChangeKind::Imported, [&](EventDocument::Edit& e) {
        e.ReserveAdditions(static_cast<size_t>(std::count(plan.Add.begin(), plan.Add.end(), 1)));
        for (size_t i = 0; i < batch.Events.size(); ++i) {
            if (plan.Replace[i] >= 0) {
                // What the user set here (completion, reminder) stays.
                TTodoItem item = std::move(batch.Events[i]);
                const TTodoItem& old = doc.Events()[plan.Replace[i]];
                item.Complete = old.Complete;
                item.ImageIndex = old.ImageIndex;
                e.Replace(static_cast<size_t>(plan.Replace[i]), std::move(item));
            } else if (plan.Add[i]) {
                e.Add(std::move(batch.Events[i]));
            }
        }
        // What is left of the records moved out goes before the store takes them in.
        std::vector<TTodoItem>().swap(batch.Events);
    });
    return plan.Summary;
}

ChangeSummary MergeImport(TodoItems& store, ImportBatch batch) {
    const ImportPlan plan = PlanImport(store, batch);
    store.Reserve(static_cast<size_t>(store.Count() + plan.Summary.Added));
    for (size_t i = 0; i < batch.Events.size(); ++i) {
        if (plan.Replace[i] >= 0) {
            TTodoItem& old = store[plan.Replace[i]];
            TTodoItem item = std::move(batch.Events[i]);
            item.Complete = old.Complete;
            item.ImageIndex = old.ImageIndex;
            old = std::move(item);
        } else if (plan.Add[i]) {
            store.Add() = std::move(batch.Events[i]);
        }
    }
    return plan.Summary;
}

std::vector<size_t> ImportedInMonths(const TodoItems& store, std::string_view marker, const MonthChoice& months,
                                     int year, const ZetProgress& progress) {
    std::vector<char> chosen(static_cast<size_t>(store.Count()), 0);
    for (int m = 1; m <= 12; ++m) {
        if (months.Has(m))
            for (size_t i = 0; i < chosen.size(); ++i)
                if (!chosen[i] && IsImportedInMonth(store[static_cast<int>(i)], marker, m, year)) chosen[i] = 1;
        if (progress) progress(m, 12);
    }
    std::vector<size_t> positions;
    for (size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i]) positions.push_back(i);
    return positions;
}

ChangeSummary RemoveImported(EventDocument& doc, std::string_view marker, const MonthChoice& months, int year,
                             const ZetProgress& progress) {
    const std::vector<size_t> positions = ImportedInMonths(doc.Events(), marker, months, year, progress);
    doc.Change(ChangeKind::Removed, [&](EventDocument::Edit& e) {
        for (const size_t p : positions) e.Remove(p);
    });
    return RemovalSummary(static_cast<int>(positions.size()));
}
