// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the synthetic player file kvxplr.sav into the folder given.
#include "playerfile/playerfile.h"
#include "tools/samplesave.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (!SampleSave::WriteTo(argv[1])) {
        std::fprintf(stderr, "%s: cannot write %s/%s\n", argv[0], argv[1], PlayerFileName);
        return 1;
    }
    return 0;
}
