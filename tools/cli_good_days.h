#pragma once
// dayloom-cli good-days: the favourable days of a day of birth into the event
// file for chosen months of a year, or (--remove) out of it again.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// `args` are the arguments after "good-days". Prints what was added or
// removed on `out`; on any failure prints the reason on `err`, returns 1 and
// leaves the event file as it was.
int RunGoodDaysVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const std::filesystem::path& defaultDataDir);

void GoodDaysUsage(std::ostream& os);
