#pragma once
// dayloom-cli import-ics: an iCalendar file's events into the event file.
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "import/ics_zone.h"

// `args` are the arguments after "import-ics"; `in` is read for the file "-".
// On any failure the event file stays as it was.
int RunImportIcsVerb(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err, const std::filesystem::path& defaultDataDir, const IcsZone& zone);

void ImportIcsUsage(std::ostream& os);
