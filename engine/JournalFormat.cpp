#include "engine/JournalFormat.h"

#include <array>
#include <charconv>
#include <map>

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

std::string Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string Number(std::uint64_t value)
{
    return std::to_string(value);
}

bool ParseNumber(std::string_view text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Joins the fields with tabs and adds the CRC and the line feed.
std::string Line(std::initializer_list<std::string> fields)
{
    std::string line;
    for (const std::string& field : fields) {
        line += field;
        line += '\t';
    }
    const std::uint32_t crc = Crc32(line);
    for (int shift = 28; shift >= 0; shift -= 4)
        line += kHex[(crc >> shift) & 15];
    line += '\n';
    return line;
}

// Splits a line (without its line feed) into its fields, its CRC not checked.
bool SplitFields(std::string_view line, std::vector<std::string_view>& fields)
{
    const auto lastTab = line.rfind('\t');
    if (lastTab == std::string_view::npos || line.size() - lastTab - 1 != 8)
        return false;
    fields.clear();
    // Every field ends with a tab, the last one at lastTab.
    std::size_t start = 0;
    while (start <= lastTab) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    return true;
}

// Splits a line (without its line feed) into its fields after checking the CRC.
bool SplitChecked(std::string_view line, std::vector<std::string_view>& fields)
{
    const auto lastTab = line.rfind('\t');
    if (lastTab == std::string_view::npos || line.size() - lastTab - 1 != 8)
        return false;
    std::uint32_t stored = 0;
    for (const char c : line.substr(lastTab + 1)) {
        const int digit = HexValue(c);
        if (digit < 0 || (c >= 'A' && c <= 'F'))
            return false;
        stored = stored * 16 + static_cast<std::uint32_t>(digit);
    }
    return Crc32(line.substr(0, lastTab + 1)) == stored && SplitFields(line, fields);
}

// A line cut short by the end of the run: record bytes (escaped, so no control byte but the tab)
// and perhaps the zeros a file system fills an unfinished write with.
bool CouldBeTorn(std::string_view line)
{
    const auto end = line.find_last_not_of('\0');
    for (const char c : line.substr(0, end == std::string_view::npos ? 0 : end + 1))
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return false;
    return true;
}

bool ParseMoveWord(std::string_view text, bool& move)
{
    if (text != "move" && text != "copy")
        return false;
    move = text == "move";
    return true;
}

bool ParseStamp(std::string_view size, std::string_view time, FileStamp& stamp)
{
    return ParseNumber(size, stamp.size) && ParseNumber(time, stamp.writeTime);
}

// Reads one checked record into data; false with error set when it does not fit.
class RecordReader {
public:
    explicit RecordReader(JournalData& data) : data_(data) { }

    bool Header(const std::vector<std::string_view>& f, std::string& error)
    {
        std::uint64_t version = 0, mode = 0, policy = 0;
        if (f.size() < 2 || f[0] != "QMJ" || !ParseNumber(f[1], version)) {
            error = "this is not a run journal";
            return false;
        }
        if (version != 1 && version != static_cast<std::uint64_t>(kJournalVersion)) {
            error = "the journal was written by another version of the program (format " + std::string(f[1]) +
                    ")";
            return false;
        }
        JournalHeader& h = data_.header;
        const std::size_t fieldCount = version == 1 ? 8 : 9;
        if (f.size() != fieldCount || (version > 1 && (!ParseNumber(f[8], h.order) || h.order == 0)) ||
            !Unescape(f[2], h.started) || !ParseNumber(f[3], mode) || mode > 0xFFFFFFFFu ||
            !ParseMoveWord(f[4], h.move) || !ParseNumber(f[5], policy) || policy > 0xFFFFFFFFu ||
            !Unescape(f[6], h.outFolder) || !Unescape(f[7], h.nameTemplate)) {
            error = "the journal's first line is damaged";
            return false;
        }
        h.version = static_cast<int>(version);
        h.mode = static_cast<std::uint32_t>(mode);
        h.policy = static_cast<std::uint32_t>(policy);
        return true;
    }

    // False when the record does not belong where it stands.
    bool Record(const std::vector<std::string_view>& f)
    {
        if (data_.undone)
            return false;  // nothing follows the undone mark
        const std::string_view kind = f[0];
        if (kind == "F" && f.size() == 2) {
            JournalStep step;
            step.isFolder = true;
            return Unescape(f[1], step.folder) && !step.folder.empty() && Add(std::move(step));
        }
        const std::size_t transferFields = data_.header.version == 1 ? 9 : 10;
        if (kind == "T" && f.size() == transferFields) {
            JournalStep step;
            if (!ParseNumber(f[1], step.seq) || step.seq <= lastSeq_ || !ParseMoveWord(f[2], step.move) ||
                (f[3] != "new" && f[3] != "replace") || !ParseStamp(f[4], f[5], step.sourceStamp) ||
                !Unescape(f[6], step.source) || !Unescape(f[7], step.target) || !Unescape(f[8], step.kept) ||
                (f.size() > 9 && !Unescape(f[9], step.partial)))
                return false;
            step.replace = f[3] == "replace";
            if (step.source.empty() || step.target.empty() || step.replace != !step.kept.empty())
                return false;
            lastSeq_ = step.seq;
            bySeq_[step.seq] = data_.steps.size();
            return Add(std::move(step));
        }
        if (kind == "R" && f.size() == 2 && data_.header.version > 1) {
            std::uint64_t cut = 0;
            return ParseNumber(f[1], cut);
        }
        const bool v2 = data_.header.version > 1;
        if ((kind == "D" && f.size() == 4) || (kind == "E" && f.size() == 3) ||
            (kind == "U" && f.size() == 2) || (v2 && kind == "K" && f.size() == 4) ||
            (v2 && kind == "P" && f.size() == 3)) {
            std::uint64_t seq = 0;
            if (!ParseNumber(f[1], seq))
                return false;
            const auto found = bySeq_.find(seq);
            if (found == bySeq_.end())
                return false;
            JournalStep& step = data_.steps[found->second];
            if (kind == "K") {
                // Only a replacing step keeps a file, once, before its outcome.
                if (!step.replace || step.keptComplete || step.outcome != StepOutcome::Unknown ||
                    !ParseStamp(f[2], f[3], step.keptStamp))
                    return false;
                step.keptComplete = true;
                return true;
            }
            if (kind == "P") {
                // Undo copies back only what the run did; a later P replaces an earlier one (an undo
                // that was stopped and started again).
                return !step.undone && Unescape(f[2], step.undoPartial) && !step.undoPartial.empty();
            }
            if (kind == "D") {
                if (step.outcome != StepOutcome::Unknown || !ParseStamp(f[2], f[3], step.targetStamp))
                    return false;
                step.outcome = StepOutcome::Done;
                step.finished = ++outcomes_;
                return true;
            }
            if (kind == "E") {
                if (step.outcome != StepOutcome::Unknown || !Unescape(f[2], step.failure))
                    return false;
                step.outcome = StepOutcome::Failed;
                step.finished = ++outcomes_;
                return true;
            }
            if (step.undone)
                return false;
            step.undone = true;
            return true;
        }
        if (kind == "Z" && f.size() == 2) {
            data_.undone = true;
            return Unescape(f[1], data_.undoneAt);
        }
        return false;
    }

private:
    bool Add(JournalStep step)
    {
        data_.steps.push_back(std::move(step));
        return true;
    }

    JournalData& data_;
    std::uint64_t lastSeq_ = 0;
    std::uint64_t outcomes_ = 0;
    std::map<std::uint64_t, std::size_t> bySeq_;
};

}  // namespace

std::uint32_t Crc32(std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string HeaderLine(const JournalHeader& header)
{
    if (header.version == 1)
        return Line({"QMJ", "1", Escape(header.started), Number(header.mode), header.move ? "move" : "copy",
                     Number(header.policy), Escape(header.outFolder), Escape(header.nameTemplate)});
    return Line({"QMJ", Number(static_cast<std::uint64_t>(header.version)), Escape(header.started),
                 Number(header.mode), header.move ? "move" : "copy", Number(header.policy),
                 Escape(header.outFolder), Escape(header.nameTemplate), Number(header.order)});
}

std::string FolderLine(const std::string& folder)
{
    return Line({"F", Escape(folder)});
}

std::string TransferLine(const JournalStep& step)
{
    return Line({"T", Number(step.seq), step.move ? "move" : "copy", step.replace ? "replace" : "new",
                 Number(step.sourceStamp.size), Number(step.sourceStamp.writeTime), Escape(step.source),
                 Escape(step.target), Escape(step.kept), Escape(step.partial)});
}

std::string KeptLine(std::uint64_t seq, const FileStamp& kept)
{
    return Line({"K", Number(seq), Number(kept.size), Number(kept.writeTime)});
}

std::string UndoPartialLine(std::uint64_t seq, const std::string& partial)
{
    return Line({"P", Number(seq), Escape(partial)});
}

std::string RepairLine(std::uint64_t cutBytes)
{
    return Line({"R", Number(cutBytes)});
}

std::string DoneLine(std::uint64_t seq, const FileStamp& target)
{
    return Line({"D", Number(seq), Number(target.size), Number(target.writeTime)});
}

std::string FailedLine(std::uint64_t seq, const std::string& reason)
{
    return Line({"E", Number(seq), Escape(reason)});
}

std::string UndoneStepLine(std::uint64_t seq)
{
    return Line({"U", Number(seq)});
}

std::string UndoneLine(const std::string& finished)
{
    return Line({"Z", Escape(finished)});
}

bool ParseJournal(std::string_view text, JournalData& data, std::string& error)
{
    data = JournalData {};
    RecordReader reader(data);
    std::size_t start = 0;
    int number = 0;
    std::vector<std::string_view> fields;
    while (start < text.size()) {
        ++number;
        const auto end = text.find('\n', start);
        const bool complete = end != std::string_view::npos;
        const std::string_view line = text.substr(start, complete ? end - start : std::string_view::npos);
        start = complete ? end + 1 : text.size();
        const bool last = start >= text.size();
        const bool intact = complete && SplitChecked(line, fields) && !fields.empty();
        if (number == 1) {
            if (!intact) {
                error = complete || line.rfind("QMJ\t", 0) != 0
                                ? "this is not a run journal, or its first line is damaged"
                                : "the journal's first line is incomplete";
                return false;
            }
            if (!reader.Header(fields, error))
                return false;
            data.intactSize = start;
            continue;
        }
        if (!intact) {
            if (last && CouldBeTorn(line)) {
                data.tornTail = true;
                return true;
            }
            error = "line " + std::to_string(number) + " of the journal is damaged";
            return false;
        }
        if (!reader.Record(fields)) {
            error = "line " + std::to_string(number) + " of the journal does not fit the lines before it";
            return false;
        }
        data.intactSize = start;
    }
    if (number == 0) {
        error = "the journal is empty";
        return false;
    }
    return true;
}

std::vector<std::string> AnnouncedPartials(std::string_view header, std::string_view tail)
{
    std::vector<std::string_view> fields;
    std::uint64_t version = 0;
    if (header.empty() || header.back() != '\n' ||
        !SplitChecked(header.substr(0, header.size() - 1), fields) || fields.size() < 2 ||
        fields[0] != "QMJ" || !ParseNumber(fields[1], version) || version < 2)
        return {};
    // The start of every run reads the last records of every journal kept, nearly all of them
    // steps with their outcomes. A step's record is long (three paths): it is checked and its
    // unfinished copy's name read only when it is still open at the end, or when another record
    // of the same step would take its place. The short outcome records are checked as they come.
    struct Open {
        std::string_view line;
        bool checked = false;
    };
    const auto partialOf = [&fields](std::string_view line, bool check, std::string_view& partial) {
        if (!(check ? SplitChecked(line, fields) : SplitFields(line, fields)) ||
            !((fields.size() == 10 && fields[0] == "T") || (fields.size() == 3 && fields[0] == "P")))
            return false;
        partial = fields.back();
        return !partial.empty();
    };
    std::map<std::uint64_t, Open> open;  // by seq: announced, with no outcome after it
    std::size_t start = 0;
    while (start < tail.size()) {
        const auto end = tail.find('\n', start);
        if (end == std::string_view::npos)
            break;
        const std::string_view line = tail.substr(start, end - start);
        start = end + 1;
        std::uint64_t seq = 0;
        std::string_view partial;
        if (line.starts_with("T\t") || line.starts_with("P\t")) {
            if (!partialOf(line, false, partial) || !ParseNumber(fields[1], seq))
                continue;
            const auto [it, added] = open.try_emplace(seq, Open {line});
            // A record that takes another's place must be whole.
            if (!added && partialOf(line, true, partial))
                it->second = {line, true};
        } else if (line.starts_with("D\t") || line.starts_with("E\t") || line.starts_with("U\t")) {
            if (SplitChecked(line, fields) && fields.size() >= 2 && ParseNumber(fields[1], seq))
                open.erase(seq);
        }
    }
    std::vector<std::string> partials;
    for (const auto& [seq, step] : open) {
        std::string_view escaped;
        std::string partial;
        if (partialOf(step.line, !step.checked, escaped) && Unescape(escaped, partial) && !partial.empty())
            partials.push_back(std::move(partial));
    }
    return partials;
}

JournalCounts CountSteps(const JournalData& data)
{
    JournalCounts counts;
    for (const JournalStep& step : data.steps) {
        if (step.isFolder) {
            ++counts.folders;
            continue;
        }
        if (step.outcome == StepOutcome::Failed) {
            if (step.failure != kNotStartedText)
                ++counts.failed;
            continue;
        }
        if (step.outcome == StepOutcome::Unknown)
            ++counts.unfinished;
        else if (step.move)
            ++counts.moved;
        else
            ++counts.copied;
        if (step.replace && step.outcome == StepOutcome::Done)
            ++counts.replaced;
    }
    return counts;
}
