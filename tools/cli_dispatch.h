#pragma once
// dayloom-cli's verbs: agenda and reminders read the event file (see
// dayview/agenda.h), import and remove-imported write it.
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "events/date_time.h"

// The whole command: `args` after the program name, `in` for a file named
// "-". Returns the exit status: 0 on success or help, 1 on any failure.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           const std::filesystem::path& defaultDataDir, TDateTime clockNow);
