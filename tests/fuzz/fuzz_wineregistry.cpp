// SPDX-License-Identifier: GPL-3.0-or-later
// Wine's registry files as the game folder lookup reads them: any text must
// parse without a crash or undefined behaviour, and a lookup in the result
// must only ever give a text that one of the parsed values holds.
#include "settings/wine/wineregistry.h"
#include "tests/fuzz/fuzztemp.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(bytes), size);
    const auto keys = ParseWineRegistry(text);
    for (const auto &key : keys) {
        for (const auto &value : key.values) {
            const auto found = FindWineRegistryString(keys, key.path, value.name);
            if (!found)
                continue;
            bool held = false;
            for (const auto &other : keys) {
                for (const auto &candidate : other.values)
                    held = held || candidate.text == found;
            }
            FUZZ_REQUIRE(held);
        }
    }
    return 0;
}
