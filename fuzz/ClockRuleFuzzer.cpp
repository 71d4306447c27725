// Reads arbitrary bytes as clock rules, one a line, and as a day's start, and checks what is
// accepted: a shift within its bounds that reads back from its own text, a rule text without
// control characters that reads back as the same rule, and a day's start within one day.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ClockRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    std::vector<ClockRule> rules;
    std::string error;
    if (ParseClockRules(text, rules, error)) {
        for (const ClockRule& rule : rules) {
            if (rule.seconds > kMaxShiftDays * 86400 || rule.seconds < -kMaxShiftDays * 86400)
                std::abort();
            for (const char c : rule.text)
                if (static_cast<unsigned char>(c) < 0x20)
                    std::abort();
            ClockRule again;
            if (!ParseClockRule(rule.text, again, error) || again.seconds != rule.seconds ||
                again.model != rule.model || again.serial != rule.serial || again.everyFile != rule.everyFile)
                std::abort();
            if (!ParseClockRule("*=" + ShiftText(rule.seconds), again, error) ||
                again.seconds != rule.seconds)
                std::abort();
            // A rule always finds its own camera.
            const ClockRule* found = FindClockRule(rules, rule.model, rule.serial);
            if (found == nullptr)
                std::abort();
            DateTime date {2012, 2, 29, 23, 59, 59};
            if (ShiftDate(date, rule.seconds) &&
                (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 || date.hour > 23))
                std::abort();
        }
    } else if (error.rfind("Not a clock rule: ", 0) != 0) {
        std::abort();
    }
    int minutes = -1;
    if (ParseDayBegins(text, minutes) && (minutes < 0 || minutes >= 24 * 60))
        std::abort();
    return 0;
}
