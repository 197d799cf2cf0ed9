// SPDX-License-Identifier: GPL-3.0-or-later
// Does nothing for the given number of seconds (60 unless told): under the
// name korvax.exe, the running game of the end-to-end test.
#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
}
