// Writes the realistic store of realistic_store.h as dayloom's event file,
// and with --peers the same events for calcurse (its apts file) and remind
// (a .rem file), for timing the programs side by side.
//
//   make_event_files COUNT OUTDIR [--first YYYY-MM-DD] [--peers]
//
// OUTDIR/dayloom_data/ListToDo.db, OUTDIR/calcurse/apts, OUTDIR/remind/events.rem.
// Where dayloom's rules differ from the peers', the peers get what dayloom
// shows: a completed lasting or repeating event is listed on its start day
// only, so the peers get it as a one-off event.
// remind's messages begin with the start time ("at 09:30", its %3), so that
// bench/peers.sh can compare start times; a span of several days has it only
// on its first day and "…" on the others, as calcurse shows no start there.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/realistic_store.h"
#include "events/event_file.h"

namespace {

struct Parts {
    int y, m, d, h, mi;
};

Parts PartsOf(TDateTime t) {
    const DateTimeParts p = DecodeDateTime(t);
    return {p.year, p.month, p.day, p.hour, p.minute};
}

std::string Format(const char* fmt, int a, int b, int c) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

std::string CalcurseAt(TDateTime t) {
    const Parts p = PartsOf(t);
    return Format("%02d/%02d/%04d", p.m, p.d, p.y) + " @ " + Format("%02d:%02d", p.h, p.mi, 0);
}

std::string IsoDate(TDateTime t) {
    const Parts p = PartsOf(t);
    return Format("%04d-%02d-%02d", p.y, p.m, p.d);
}

std::string HourMinute(TDateTime t) {
    const Parts p = PartsOf(t);
    return Format("%02d:%02d", p.h, p.mi, 0);
}

const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void WritePeers(const TodoItems& store, std::ostream& apts, std::ostream& rem) {
    for (const TTodoItem& e : store) {
        const std::string name = utf8(e.Subject);
        const TDateTime s = e.CreationDate;
        const std::string at = CalcurseAt(s);
        const std::string remAt = " AT " + HourMinute(s) + " MSG %3 " + name + "\n";
        const TRepetition r = e.Repetition();
        const int count = r.Count, unit = r.Unit, mask = r.Mask;
        const bool repeating = e.DueDate != 0, lasting = !repeating && e.CompletionDate != 0;
        if ((!repeating && !lasting) || e.Complete) {
            apts << at << " -> " << at << " |" << name << "\n";
            rem << "REM " << IsoDate(s) << remAt;
        } else if (lasting) {
            apts << at << " -> " << CalcurseAt(e.CompletionDate) << " |" << name << "\n";
            rem << "REM " << IsoDate(s) << " *1 UNTIL " << IsoDate(e.CompletionDate) << " AT " << HourMinute(s)
                << " MSG [iif(trigdate()=='" << IsoDate(s) << "', \"at " << HourMinute(s) << "\", \"…\")] " << name
                << "\n";
        } else if (mask != 0) {
            std::string days, remDays;
            for (int w = 0; w < 7; ++w)
                if (mask >> (6 - w) & 1) {
                    days += " w" + std::to_string(w);
                    remDays += std::string(" ") + kWeekdays[w];
                }
            apts << at << " -> " << at << " {1W" << days << "} |" << name << "\n";
            rem << "REM" << remDays << " FROM " << IsoDate(s) << remAt;
        } else {
            const Parts p = PartsOf(s);
            switch (unit) {
                case kUnitYears:
                    apts << at << " -> " << at << " {1Y} |" << name << "\n";
                    rem << "REM " << p.d << " " << kMonths[p.m - 1] << " FROM " << IsoDate(s) << remAt;
                    break;
                case kUnitMonths:
                    apts << at << " -> " << at << " {1M} |" << name << "\n";
                    rem << "REM " << p.d << " FROM " << IsoDate(s) << remAt;
                    break;
                case kUnitWeeks:
                    apts << at << " -> " << at << " {" << count << "W} |" << name << "\n";
                    rem << "REM " << IsoDate(s) << " *" << 7 * count << remAt;
                    break;
                default:
                    apts << at << " -> " << at << " {" << count << "D} |" << name << "\n";
                    rem << "REM " << IsoDate(s) << " *" << count << remAt;
                    break;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: make_event_files COUNT OUTDIR [--first YYYY-MM-DD] [--peers]\n";
        return 1;
    }
    const int count = std::stoi(argv[1]);
    const std::filesystem::path out = argv[2];
    TDateTime first = EncodeDate(2017, 1, 1);
    bool peers = false;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--peers") peers = true;
        else if (a == "--first" && i + 1 < argc) {
            int y = 0, m = 0, d = 0;
            if (std::sscanf(argv[++i], "%d-%d-%d", &y, &m, &d) != 3) return 1;
            first = EncodeDate(y, m, d);
        }
    }
    const TodoItems store = bench::MakeRealisticStore(count, first);
    std::filesystem::create_directories(out / "dayloom_data");
    const WriteResult w = SaveToFile(out / "dayloom_data" / "ListToDo.db", store, false);
    if (!w.ok) {
        std::cerr << w.error << "\n";
        return 1;
    }
    if (peers) {
        std::filesystem::create_directories(out / "calcurse");
        std::filesystem::create_directories(out / "remind");
        std::ofstream apts(out / "calcurse" / "apts", std::ios::binary);
        std::ofstream rem(out / "remind" / "events.rem", std::ios::binary);
        WritePeers(store, apts, rem);
        if (!apts || !rem) return 1;
    }
    return 0;
}
