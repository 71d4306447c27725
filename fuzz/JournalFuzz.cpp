// Parses any bytes as a run journal: a journal is either refused with a reason or read whole, and
// what is read writes back to the same records. Read as the last records of a journal, the same
// bytes name the unfinished copies that checking every record as it comes finds.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/JournalFormat.h"

namespace {

int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A record's fields, when its CRC (eight lower-case hex digits after the last tab) holds.
bool Fields(std::string_view line, std::vector<std::string_view>& fields)
{
    const auto lastTab = line.rfind('\t');
    if (lastTab == std::string_view::npos || line.size() - lastTab - 1 != 8)
        return false;
    std::uint32_t stored = 0;
    for (const char c : line.substr(lastTab + 1)) {
        if (Hex(c) < 0 || (c >= 'A' && c <= 'F'))
            return false;
        stored = stored * 16 + static_cast<std::uint32_t>(Hex(c));
    }
    if (Crc32(line.substr(0, lastTab + 1)) != stored)
        return false;
    fields.clear();
    for (std::size_t start = 0; start <= lastTab;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    return true;
}

bool Number(std::string_view text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool Unescaped(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || Hex(text[i + 1]) < 0 || Hex(text[i + 2]) < 0)
            return false;
        out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
        i += 2;
    }
    return true;
}

// The unfinished copies of a journal's tail, every record checked as it comes.
std::vector<std::string> OpenPartials(std::string_view tail)
{
    std::map<std::uint64_t, std::string> open;
    std::vector<std::string_view> f;
    for (std::size_t start = 0; start < tail.size();) {
        const auto end = tail.find('\n', start);
        if (end == std::string_view::npos)
            break;
        const std::string_view line = tail.substr(start, end - start);
        start = end + 1;
        std::uint64_t seq = 0;
        if (!Fields(line, f) || f.size() < 2 || !Number(f[1], seq))
            continue;
        std::string partial;
        if ((f[0] == "T" && f.size() == 10 && Unescaped(f[9], partial)) ||
            (f[0] == "P" && f.size() == 3 && Unescaped(f[2], partial))) {
            if (!partial.empty())
                open[seq] = partial;
        } else if (f[0] == "D" || f[0] == "E" || f[0] == "U") {
            open.erase(seq);
        }
    }
    std::vector<std::string> partials;
    for (auto& [seq, partial] : open)
        partials.push_back(std::move(partial));
    return partials;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    JournalHeader current;
    current.started = "2026-12-10 10:00:00";
    current.order = 1;
    if (AnnouncedPartials(HeaderLine(current), text) != OpenPartials(text))
        std::abort();
    JournalData data;
    std::string error;
    if (!ParseJournal(text, data, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    // Written again (in this version's form), the records read back to the same steps.
    JournalHeader header = data.header;
    header.version = kJournalVersion;
    header.order = header.order == 0 ? 1 : header.order;
    std::string again = HeaderLine(header);
    for (const JournalStep& step : data.steps) {
        if (step.isFolder) {
            again += FolderLine(step.folder);
            continue;
        }
        again += TransferLine(step);
        if (step.keptComplete)
            again += KeptLine(step.seq, step.keptStamp);
        if (step.outcome == StepOutcome::Done)
            again += DoneLine(step.seq, step.targetStamp);
        if (step.outcome == StepOutcome::Failed)
            again += FailedLine(step.seq, step.failure);
    }
    JournalData reread;
    if (!ParseJournal(again, reread, error) || reread.steps.size() != data.steps.size() || reread.tornTail)
        std::abort();
    for (std::size_t i = 0; i < data.steps.size(); ++i) {
        const JournalStep& a = data.steps[i];
        const JournalStep& b = reread.steps[i];
        if (a.folder != b.folder || a.source != b.source || a.target != b.target || a.kept != b.kept ||
            a.outcome != b.outcome || !(a.targetStamp == b.targetStamp) || a.seq != b.seq ||
            a.partial != b.partial || a.keptComplete != b.keptComplete || !(a.keptStamp == b.keptStamp))
            std::abort();
    }
    return 0;
}
