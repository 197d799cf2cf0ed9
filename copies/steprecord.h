// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a change writes into the player file, kept beside the copy made before
// it: made durable, marked pending, before the first byte is written, and
// marked done once the last range is on the disk. The copy holds the old
// bytes, this the new ones: an undo puts back exactly these ranges, and can
// tell whether anyone wrote them since, or how far a write that was cut off
// got.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct WrittenRange
{
    std::uint64_t offset = 0;
    std::string bytes;

    bool operator==(const WrittenRange &) const = default;
};

struct StepRecord
{
    // The change replaced the whole file: one range at offset 0, the file.
    bool wholeFile = false;
    std::vector<WrittenRange> ranges;
    // An undo's record names the step it took back, by its copy's time stamp.
    std::string undoes;
    // Written before the change, not yet marked done after it. A record of
    // an earlier version, which kept records only once written, is done.
    bool pending = false;

    bool operator==(const StepRecord &) const = default;

    std::string serialize() const;
    // Nothing for bytes that are no whole record (a torn or foreign file).
    static std::optional<StepRecord> parse(std::string_view bytes);
};
