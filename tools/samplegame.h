// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A game folder in a temporary folder holding the synthetic player file,
// and the start of a real main window on it.

#include "playerfile/playerfile.h"
#include "settings/gamefolder.h"
#include "tools/samplesave.h"
#include "ui/form1.h"
#include "ui/globals.h"

#include <QFile>
#include <QTemporaryDir>

// Services that find the game in the "registry" and touch nothing else.
class RegistryOnlyServices final : public SystemServices
{
public:
    explicit RegistryOnlyServices(std::string folder) : m_folder(std::move(folder)) {}
    std::string GameFolderFromRegistry() override { return m_folder; }
    std::string ReadProfileString(const std::string &, const std::string &, const std::string &,
                                  const std::string &defaultValue) override
    {
        return defaultValue;
    }
    void WriteProfileString(const std::string &, const std::string &, const std::string &,
                            const std::string &) override
    {
    }
    std::string BrowseForFolder(NativeWindow, const std::string &) override { return {}; }

private:
    std::string m_folder;
};

// The registry knows nothing; the settings file is real; the dialog gives
// a set answer and counts its openings.
class SettingsFileServices final : public SystemServices
{
public:
    explicit SettingsFileServices(std::string answer) : m_answer(std::move(answer)) {}
    std::string GameFolderFromRegistry() override { return {}; }
    std::string ReadProfileString(const std::string &file, const std::string &section,
                                  const std::string &key, const std::string &fallback) override
    {
        return m_real.ReadProfileString(file, section, key, fallback);
    }
    void WriteProfileString(const std::string &file, const std::string &section,
                            const std::string &key, const std::string &value) override
    {
        m_real.WriteProfileString(file, section, key, value);
    }
    std::string BrowseForFolder(NativeWindow, const std::string &) override
    {
        ++dialogs;
        return m_answer;
    }

    int dialogs = 0;

private:
    PlatformServices m_real;
    std::string m_answer;
};

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
        window.writeGuard().setBackupRoot(backupRoot());
        window.writeGuard().setGameCheck([] { return false; });
    }

    // Loads the window as the program's start does; it is not shown.
    bool load(Form1 &window) const
    {
        isolate(window);
        RegistryOnlyServices services(folder());
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
