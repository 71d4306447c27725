// UTF-8 checks for text of unknown origin (an old log file, a tool's output).
#pragma once

#include <string_view>

// True when text is well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing above U+10FFFF, no sequence cut short at the end.
bool IsValidUtf8(std::string_view text);
