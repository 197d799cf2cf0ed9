// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one write path of the editor without windows, answering every
// question Yes, so that the crash test can kill it at each of its file
// calls in turn:
//   korvax-crash-driver GAME BACKUPS PATH
// PATH: name, macros (player 3), undo, restore-file, restore-player (from
// the oldest copy, player 3), restore-newest (the whole file from the
// newest copy, as a user would after a crash). Exit status 0 when the path
// wrote, 3 when it did not, 1 on a failure (printed).
#include "copies/changewriter.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <exception>

#include <unistd.h>

namespace {

class SayYes : public Questions
{
public:
    bool ask(const QString &, bool) override { return true; }
    void tell(const QString &message) override
    {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
};

bool Run(const ChangeWriter &writer, const char *path, Questions &questions)
{
    constexpr std::int16_t player = 2;
    if (std::strcmp(path, "name") == 0)
        return writer.submitName(player, u"Zo\u00EB", questions);
    if (std::strcmp(path, "macros") == 0) {
        MacroTexts texts;
        texts[3] = u"GG";
        return writer.submitMacros(player, texts, questions);
    }
    if (std::strcmp(path, "undo") == 0)
        return writer.undo(questions);
    const QList<BackupCopy> copies = writer.store().copies();
    if (copies.isEmpty())
        return false;
    if (std::strcmp(path, "restore-file") == 0)
        return writer.restoreFile(copies.last(), questions);
    if (std::strcmp(path, "restore-newest") == 0)
        return writer.restoreFile(copies.first(), questions);
    if (std::strcmp(path, "restore-player") == 0)
        return writer.restorePlayer(copies.last(), player, questions);
    throw std::invalid_argument(std::string("no such write path: ") + path);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s GAME BACKUPS PATH\n", argv[0]);
        return 2;
    }
    CopyOptions options;
    options.backupRoot = QString::fromLocal8Bit(argv[2]);
    options.gameRunning = [] { return false; };
    const ChangeWriter writer(options, InstalledPlayerFile(argv[1]));
    SayYes questions;
    // Marks where the write path begins, for the crash test to pass over
    // the file calls of the program's start.
    static_cast<void>(access("/korvax-crash-driver: the write path begins", F_OK));
    try {
        return Run(writer, argv[3], questions) ? 0 : 3;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
