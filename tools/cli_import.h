#pragma once
// dayloom-cli import: a ZET journal (moon days, or sunrises and sunsets) or a
// text of moon aspects or void-of-course periods, into the event file.
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "events/date_time.h"

// `args` are the arguments after "import"; `in` is read for the file "-".
// Prints what was added on `out`; on any failure prints the reason on `err`,
// returns 1 and leaves the event file as it was.
int RunImportVerb(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err, const std::filesystem::path& defaultDataDir, TDateTime clockNow);

void ImportUsage(std::ostream& os);
