#pragma once
// A data folder's side of sync as a map of UIDs to names: the tests' and the
// benchmark's stand-in for the event document.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sync/sync_round.h"

inline std::string Unfolded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        if (text[i] == '\n' && i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

inline std::string SummaryOf(const std::string& text) {
    const std::string t = "\n" + Unfolded(text);
    const size_t at = t.find("\nSUMMARY");
    if (at == std::string::npos) return {};
    const size_t colon = t.find(':', at);
    return t.substr(colon + 1, t.find('\n', colon) - colon - 1);
}

inline std::string Ics(const std::string& uid, const std::string& summary) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//RU\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261208T100000Z\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

inline uint64_t Hash(const std::string& s) { return std::hash<std::string>{}(s); }

struct MapFolder : SyncFolder {
    std::string name;
    std::map<std::string, std::string> events;  // UID → name
    SyncState state;
    int copies = 0;

    std::vector<LocalEvent> Events() override {
        std::vector<LocalEvent> out;
        for (const auto& [uid, s] : events) out.push_back({uid, Hash(s)});
        return out;
    }
    std::string Text(const std::string& uid) override { return Ics(uid, events[uid]); }
    bool Differs(const std::string& uid, const std::string& text) override { return SummaryOf(text) != events[uid]; }
    bool Take(const std::string& uid, const std::string& text, uint64_t& hash, std::string& why) override {
        const std::string s = SummaryOf(text);
        if (s.empty()) {
            why = "no name";
            return false;
        }
        events[uid] = s;
        hash = Hash(s);
        return true;
    }
    void Drop(const std::string& uid) override { events.erase(uid); }
    void KeepAsConflict(const std::string& uid) override {
        events[name + "-c" + std::to_string(++copies)] = events[uid] + " (конфликт)";
    }
    bool BeforeSending(std::string&) override { return true; }  // its UIDs are its keys
};
