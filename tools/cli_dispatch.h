#pragma once
// dayloom-cli as a whole: the verbs (agenda, reminders and export-ics read
// the event file; import, import-ics, remove-imported and good-days write
// it), found by name among the arguments and run.
#include <filesystem>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "events/clock_zone.h"
#include "tools/cli_command.h"

// Every verb, in the order the general help lists them.
std::span<const CliVerb* const> CliVerbs();

// The whole command: `args` after the program name, `in` for a file named
// "-". `zone` is the computer's, for the iCalendar verbs. Lines go to `out`,
// messages to `err`. Returns the exit status: 0 on success or help, 1 on any
// failure.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone = UtcZone(),
           const CliSecrets* secrets = nullptr);
