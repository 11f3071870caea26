#pragma once
// Whether the program holds a data folder right now. The program locks
// `dayloom.lock` in its data folder while it runs and writes the whole store
// over the event file; a command that wrote the file meanwhile would be
// overwritten, so writers ask first.
#include <filesystem>

// True when the folder's lock names a process that is still running.
bool FolderHeldByRunningProgram(const std::filesystem::path& dataDir);

// Platform part: the process with this id exists.
bool ProcessRunning(long long pid);
