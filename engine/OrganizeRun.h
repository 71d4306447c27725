// One organize pass over the file list: every row's file is moved or copied into the folder and
// under the name that the settings give it, with the row's Target File and Result written and,
// when enabled, a log record appended.
#pragma once

#include <string>

#include "engine/OrganizeOptions.h"
#include "engine/RunInterfaces.h"

// Runs synchronously; every outcome is visible in the rows, the log and the host's messages.
void OrganizeRun(RunHost& host, RunRows& rows, OrganizeOptions& options, bool move);

// The text a row gets when its date, extension or orientation cannot be had, by organize mode.
const char* LookupFailureText(std::uint32_t mode);
// The row text of a lookup that found nothing (an empty reason) or could not be made.
std::string LookupFailedText(std::uint32_t mode, const std::string& reason);
