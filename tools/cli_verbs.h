#pragma once
// The verbs of dayloom-cli, each defined in its own file.
#include "tools/cli_command.h"

extern const CliVerb kAgendaVerb, kRemindersVerb;  // tools/cli_agenda.cpp
extern const CliVerb kExportIcsVerb;
extern const CliVerb kImportVerb;
extern const CliVerb kImportIcsVerb;
extern const CliVerb kRemoveImportedVerb;
extern const CliVerb kGoodDaysVerb;
extern const CliVerb kSearchVerb;
#ifdef DAYLOOM_HAS_SYNC
extern const CliVerb kSyncSetupVerb, kSyncVerb;  // tools/cli_sync.cpp
#endif
