// The commands of quillmere-cli; each returns the program's exit status.
#pragma once

#include "cli/CliArgs.h"

int RunOrganizeCommand(const CliRequest& request);
int RunLookupCommand(const CliRequest& request);
int RunUndoCommand(const CliRequest& request);
int RunRunsCommand(const CliRequest& request);
// Prints the clock rule that makes the camera of the second file agree with the first.
int RunShiftFromCommand(const CliRequest& request);
