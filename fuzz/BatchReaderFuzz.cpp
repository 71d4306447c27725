// The batch protocol's reader on hostile tool output: answers cut anywhere, the end line inside
// values and mid-line, answers without an end line, stray output. The input's first bytes choose
// the limits and the read size; byte 0x01 separates answers, byte 0x02 stands for the end line.
// Every answer without an end line inside it must yield exactly the one-file reader's fields (an
// unfinished last line dropped); the limits must hold throughout.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/BatchReader.h"

namespace {

const std::string kToken = "fuzz0token0abcdefghijklmnopqrstu";

std::vector<MetaField> OneFile(std::string_view listing, const ListingLimits& limits)
{
    std::vector<MetaField> fields;
    ListingReader reader(fields, limits);
    reader.Begin();
    reader.Feed(listing);
    reader.End();
    return fields;
}

// The length of the last line when it lacks its line break, else 0.
std::size_t UnfinishedTail(std::string_view text)
{
    const std::size_t lastBreak = text.find_last_of(std::string_view("\r\n\0", 3));
    return lastBreak == std::string_view::npos ? text.size() : text.size() - lastBreak - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 3)
        return 0;
    ListingLimits limits;
    // Never below the handshake's length, which a real limit (64 KiB) is far above.
    limits.maxLineLength = 64 + bytes[0] % 64;
    limits.maxKeptBytes = 512 + bytes[1] * 8;
    const std::size_t step = 1 + bytes[2] % 32;
    const std::string endLine = batch::EndLine(kToken) + "\n";
    std::string_view data(reinterpret_cast<const char*>(bytes) + 3, size - 3);

    std::vector<std::string> answers;
    std::vector<bool> injected;
    answers.emplace_back();
    injected.push_back(false);
    for (char c : data) {
        if (c == '\x01') {
            answers.emplace_back();
            injected.push_back(false);
        } else if (c == '\x02') {
            answers.back() += endLine;
            injected.back() = true;
        } else {
            answers.back() += c;
        }
    }

    batch::BatchReader reader(kToken, limits);
    auto feed = [&](std::string_view part) {
        for (std::size_t at = 0; at < part.size(); at += step) {
            reader.Feed(part.substr(at, step));
            if (reader.PendingCapacity() > PendingLine::kInitialCapacity)
                std::abort();
            if (reader.KeptBytes() > limits.maxKeptBytes)
                std::abort();
        }
    };
    feed(batch::HandshakeLine(kToken) + "\r\n");
    if (reader.CurrentState() != batch::BatchReader::State::Idle)
        std::abort();
    for (std::size_t i = 0; i < answers.size(); ++i) {
        if (reader.CurrentState() != batch::BatchReader::State::Idle)
            break;
        std::vector<MetaField> fields;
        reader.BeginAnswer(fields);
        feed(answers[i]);
        feed(endLine);
        // An unfinished last line runs into the end line; together they must fit the line limit.
        // The end line spelt out in the data counts as injected: a real token is fresh and random,
        // so no file can hold it, but this one is fixed and the fuzzer finds it.
        const bool spelt = answers[i].find(batch::EndLine(kToken)) != std::string::npos;
        const bool clean = !injected[i] && !spelt &&
                           UnfinishedTail(answers[i]) + endLine.size() - 1 <= limits.maxLineLength;
        if (clean) {
            if (reader.CurrentState() != batch::BatchReader::State::AnswerDone)
                std::abort();
            const std::vector<MetaField> expected = OneFile(answers[i], limits);
            if (expected.size() != fields.size())
                std::abort();
            for (std::size_t f = 0; f < fields.size(); ++f)
                if (fields[f].name != expected[f].name || fields[f].value != expected[f].value)
                    std::abort();
        }
        reader.FinishAnswer();
    }
    return 0;
}
