#pragma once
// dayloom-cli remove-imported: the imported events of one kind in chosen
// months of a year leave the event file.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// `args` are the arguments after "remove-imported". Prints how many events
// went on `out`; on any failure prints the reason on `err`, returns 1 and
// leaves the event file as it was.
int RunRemoveImportedVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                          const std::filesystem::path& defaultDataDir);

void RemoveImportedUsage(std::ostream& os);
