#pragma once
// What dayloom-cli asks of the system beside the clock: environment values,
// the local time zone and where a password comes from. One file per platform: cli_platform_posix.cpp,
// cli_platform_win.cpp.
#include <optional>
#include <string>

#include "events/clock_zone.h"
#include "tools/cli_command.h"

// The variable's value as UTF-8; none when unset.
std::optional<std::string> EnvironmentValue(const char* name);

// The zone of the computer's clock, named as the system names it
// ("Europe/Moscow", "Russian Standard Time").
IcsZone SystemZone();

// A password command run through the system's shell, and the keyring the
// window keeps its password in (on Linux, the Secret Service read through
// secret-tool).
const CliSecrets& SystemSecrets();
