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

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

    // Loads the window as the program's start does, with the registry
    // naming `registryFolder` (this game's folder when empty); it is not
    // shown.
    bool load(Form1 &window, const std::string &registryFolder = {}) const
    {
        isolate(window);
        StandInServices services(registryFolder.empty() ? folder() : registryFolder);
        return window.Form_Load(services, "unused.cfg");
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_backups;
};

#ifdef Q_OS_WIN
// A game folder under Program Files (x86) holding the synthetic player file,
// where Windows redirects the game's writes, and the folder of the user's
// VirtualStore that would take them. Wine redirects nothing: a test makes
// the VirtualStore copy itself, and both folders go at the end.
class ProtectedGame
{
public:
    ProtectedGame()
    {
        if (m_dir.isValid())
            SampleSave::WriteTo(QFile::encodeName(m_dir.path()).toStdString());
    }
    ~ProtectedGame() { QDir(storeFolder()).removeRecursively(); }
    ProtectedGame(const ProtectedGame &) = delete;
    ProtectedGame &operator=(const ProtectedGame &) = delete;

    // False where this user may not make a folder there (Windows itself).
    bool isValid() const { return m_dir.isValid(); }
    // The folder as the registry names it.
    std::string folder() const
    {
        return QDir::toNativeSeparators(m_dir.path()).toLocal8Bit().toStdString();
    }
    QString installedFile() const
    {
        return m_dir.path() + u'/' + QLatin1StringView(PlayerFileName);
    }
    QString storeFile() const { return storeFolder() + u'/' + QLatin1StringView(PlayerFileName); }

    // Puts `bytes` in the VirtualStore as the game's redirected writes would.
    bool writeStoreCopy(const QByteArray &bytes) const
    {
        QFile file(storeFile());
        return QDir().mkpath(storeFolder()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    }

private:
    QString storeFolder() const
    {
        return qEnvironmentVariable("LOCALAPPDATA") +
               QStringLiteral("/VirtualStore/Program Files (x86)/") +
               QFileInfo(m_dir.path()).fileName();
    }

    QTemporaryDir m_dir{qEnvironmentVariable("ProgramFiles(x86)") +
                        QStringLiteral("/KORVAX-XXXXXX")};
};
#endif

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
