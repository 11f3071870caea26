#pragma once
// dayloom-cli's verbs: agenda, reminders and export-ics read the event file
// (see dayview/agenda.h), import, import-ics and remove-imported write it.
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "import/ics_zone.h"

// The whole command: `args` after the program name, `in` for a file named
// "-". `zone` is the computer's, for the iCalendar verbs. Returns the exit
// status: 0 on success or help, 1 on any failure.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone = UtcZone());
