// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// Tells when a file may have changed on disk, without waking the program
// while nothing happens: the system's notifications on the file, on its
// folder (so a file replaced by a rename, or deleted and made again, is
// watched again) and on the first folder above that is there (so a folder
// renamed away and back, whose own watch went with it, is found again),
// and, when asked, a look at its size and times, for file systems that send
// no notification (network drives, some Wine setups).
class FileWatch : public QObject
{
    Q_OBJECT

public:
    explicit FileWatch(QObject *parent = nullptr);

    // Starts watching `path`; the file as it is now counts as seen.
    void watch(const QString &path);

    // Emits changed() when the file's size or times are not those last seen.
    void look();

signals:
    // The file may hold something else now, or be gone, or be back.
    void changed();

private:
    struct Stamp
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        QDateTime metadataChanged;
        bool operator==(const Stamp &) const = default;
    };

    static Stamp stampOf(const QString &path);
    void fileNotified();
    void watchAgain();

    QFileSystemWatcher m_watcher;
    QString m_path;
    QString m_folder;
    Stamp m_seen;
};
