// SPDX-License-Identifier: GPL-3.0-or-later
#include "copies/steprecord.h"

#include <charconv>

namespace {

// A small header of text lines, then each range's bytes as they are; the
// last line marks the end, so a record cut short is no record.
constexpr std::string_view Magic = "korvax-editor step 1\n";
constexpr std::string_view End = "end\n";

// Takes the line at the front of `rest`, without its newline.
std::optional<std::string_view> TakeLine(std::string_view &rest)
{
    const auto newline = rest.find('\n');
    if (newline == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = rest.substr(0, newline);
    rest.remove_prefix(newline + 1);
    return line;
}

template <typename Number> bool ParseNumber(std::string_view text, Number &number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string StepRecord::serialize() const
{
    std::string out(Magic);
    if (!undoes.empty())
        out += "undoes " + undoes + '\n';
    if (pending)
        out += "pending\n";
    if (wholeFile)
        out += "whole-file\n";
    for (const WrittenRange &range : ranges) {
        out += "range " + std::to_string(range.offset) + ' ' + std::to_string(range.bytes.size()) +
               '\n';
        out += range.bytes;
        out += '\n';
    }
    out += End;
    return out;
}

std::optional<StepRecord> StepRecord::parse(std::string_view bytes)
{
    if (!bytes.starts_with(Magic))
        return std::nullopt;
    std::string_view rest = bytes.substr(Magic.size());
    StepRecord record;
    while (const auto line = TakeLine(rest)) {
        if (*line == "end")
            return rest.empty() ? std::optional(record) : std::nullopt;
        if (line->starts_with("undoes ")) {
            record.undoes = std::string(line->substr(7));
        } else if (*line == "pending") {
            record.pending = true;
        } else if (*line == "whole-file") {
            record.wholeFile = true;
        } else if (line->starts_with("range ")) {
            const std::string_view numbers = line->substr(6);
            const auto space = numbers.find(' ');
            WrittenRange range;
            std::size_t size = 0;
            if (space == std::string_view::npos ||
                !ParseNumber(numbers.substr(0, space), range.offset) ||
                !ParseNumber(numbers.substr(space + 1), size) || rest.size() < size + 1 ||
                rest[size] != '\n')
                return std::nullopt;
            range.bytes = std::string(rest.substr(0, size));
            rest.remove_prefix(size + 1);
            record.ranges.push_back(std::move(range));
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}
