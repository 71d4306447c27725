// The check of the month, day and file-name templates before a run: a name that Windows would
// refuse or change (a device name such as NUL, a trailing dot or space) is refused with the
// template it comes from, instead of failing every row or hanging on a device that always exists.
#pragma once

#include <string>

#include "engine/OrganizeOptions.h"

// The message for the first template, among those whose switch is on, that yields a name Windows
// refuses or changes; empty when there is none. The characters \/:*?"<>| are checked elsewhere.
std::string TemplateNameProblem(const OrganizeOptions& options);
