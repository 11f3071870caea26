#pragma once
// dayloom-cli export-ics: the event file as an iCalendar file.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "import/ics_zone.h"

// `args` are the arguments after "export-ics". The calendar goes to `out`, or
// with -o into a file through the safe write (then `out` says how many).
int RunExportIcsVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone);

void ExportIcsUsage(std::ostream& os);
