// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A scratch folder for one fuzzing process, removed when the process ends
// normally. Files are rewritten at every run, so the folder stays small.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace fuzz {

class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        do {
            m_path = base / ("korvax-fuzz-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(m_path));
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    std::string file(const std::string &name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline void WriteFile(const std::string &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A broken property: libFuzzer keeps the input that caused it.
[[noreturn]] inline void Broken(const char *what)
{
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

} // namespace fuzz

#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzz::Broken(#condition);                                                              \
    } while (false)
