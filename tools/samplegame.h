// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A game folder in a temporary folder holding the synthetic player file,
// and the start of a real main window on it.

#include "playerfile/playerfile.h"
#include "settings/gamefolder.h"
#include "tools/samplesave.h"
#include "tools/standinservices.h"
#include "ui/form1.h"
#include "ui/globals.h"

#include <QFile>
#include <QTemporaryDir>

class SampleGame
{
public:
    SampleGame() { SampleSave::WriteTo(folder()); }

    std::string folder() const { return QFile::encodeName(m_dir.path()).toStdString(); }
    QString playerFile() const { return QString::fromStdString(PlayerFilePath(folder())); }

    QByteArray bytes() const
    {
        QFile file(playerFile());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    static QByteArray originalBytes()
    {
        const auto bytes = SampleSave::Bytes();
        return QByteArray(reinterpret_cast<const char *>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    }

    // Where this game's copies go, in place of the user's data folder.
    QString backupRoot() const { return m_backups.path(); }

    // Points the window's copies into backupRoot() and lets it see no game
    // running, whatever runs on the machine.
    void isolate(Form1 &window) const
    {
        window.copyOptions().backupRoot = backupRoot();
        window.copyOptions().gameRunning = [] { return false; };
    }

    // Loads the window as the program's start does; it is not shown.
    bool load(Form1 &window) const
    {
        isolate(window);
        StandInServices services(folder());
        return window.Form_Load(services, "unused.cfg");
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_backups;
};

// The bytes `text` occupies in the file (Windows-1252 here).
inline QByteArray Cp(const char16_t *text)
{
    const std::string bytes = EncodeText(text);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline QByteArray MacroField(const char16_t *text)
{
    QByteArray field = Cp(text);
    field.append(QByteArray(40 - field.size(), '\0'));
    return field;
}
