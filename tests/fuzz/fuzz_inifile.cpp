// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: any content read with every section and key it names,
// then one value written and read back. The input is
//   section NUL key NUL value NUL file content
// (an input with fewer than three NUL bytes is all file content, written to
// as the editor does). A write the writer accepts must read back as Windows
// reads it, and every other section and key must read as before; a write it
// refuses must leave the file's bytes as they were.
#include "settings/inifile.h"
#include "settings/wine/asciitext.h"
#include "tests/fuzz/fuzztemp.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const fuzz::ScratchFolder scratch;

constexpr std::size_t MaxNames = 8; // of sections and of keys, to keep a run quick

// Every name that looks like a section or a key in the content, plus the
// ones given: a rough scan is enough, the reader decides what they are.
void CollectNames(std::string_view content, std::set<std::string> &sections,
                  std::set<std::string> &keys)
{
    while (!content.empty()) {
        const std::size_t stop = content.find_first_of("\r\n");
        const std::string_view line = IniTrimmed(content.substr(0, stop));
        content.remove_prefix(stop == std::string_view::npos ? content.size() : stop + 1);
        if (line.starts_with('[')) {
            if (sections.size() < MaxNames)
                sections.emplace(IniTrimmed(line.substr(1, line.find(']') - 1)));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            if (keys.size() < MaxNames)
                keys.emplace(IniTrimmed(line.substr(0, equals)));
        }
    }
}

using Readings = std::map<std::pair<std::string, std::string>, std::string>;

// A default that no file value can equal (values have no line break).
const std::string Missing = "\n(missing)";

Readings ReadAll(const std::string &file, const std::set<std::string> &sections,
                 const std::set<std::string> &keys)
{
    Readings readings;
    for (const auto &section : sections) {
        for (const auto &key : keys)
            readings[{section, key}] = IniReadString(file, section, key, Missing);
    }
    return readings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(bytes), size);
    std::vector<std::string_view> parts;
    for (int i = 0; i < 3; ++i) {
        const std::size_t zero = input.find('\0');
        if (zero == std::string_view::npos)
            break;
        parts.push_back(input.substr(0, zero));
        input.remove_prefix(zero + 1);
    }
    std::string section = "KORVAX", key = "path", value = "C:\\Games\\KORVAX";
    std::string_view content(reinterpret_cast<const char *>(bytes), size);
    if (parts.size() == 3) {
        section = parts[0];
        key = parts[1];
        value = parts[2];
        content = input;
    }

    const std::string file = scratch.file("ivlname.cfg");
    fuzz::WriteFile(file, content);

    std::set<std::string> sections = {"", section, "KORVAX"};
    std::set<std::string> keys = {key, "path", "Path"};
    CollectNames(content, sections, keys);
    const Readings before = ReadAll(file, sections, keys);

    if (!IniWriteString(file, section, key, value)) {
        FUZZ_REQUIRE(fuzz::ReadFile(file) == content);
        return 0;
    }
    // What the writer accepts has no line break or zero byte.
    FUZZ_REQUIRE(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    FUZZ_REQUIRE(IniReadString(file, section, key, Missing) == IniValueAsRead(value));

    const Readings after = ReadAll(file, sections, keys);
    for (const auto &[name, reading] : after) {
        const auto &[s, k] = name;
        if (SameIgnoringAsciiCase(s, section) && SameIgnoringAsciiCase(k, key))
            FUZZ_REQUIRE(reading == IniValueAsRead(value));
        else
            FUZZ_REQUIRE(reading == before.at(name));
    }
    return 0;
}
