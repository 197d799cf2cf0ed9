// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/filewatch.h"

#include <QFileInfo>

FileWatch::FileWatch(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::fileNotified);
    // Something in the folder was made, deleted or renamed: perhaps the file.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::look);
}

void FileWatch::watch(const QString &path)
{
    m_path = path;
    m_folder = QFileInfo(path).absolutePath();
    m_seen = stampOf(path);
    watchAgain();
}

void FileWatch::look()
{
    if (m_path.isEmpty())
        return;
    // A folder made again, or a notification missed: watched from now on.
    watchAgain();
    const Stamp now = stampOf(m_path);
    if (now == m_seen)
        return;
    m_seen = now;
    emit changed();
}

FileWatch::Stamp FileWatch::stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified(), info.metadataChangeTime()};
}

void FileWatch::fileNotified()
{
    // A write within the times' resolution may leave the stamp as it was;
    // the notification itself is the news.
    watchAgain();
    m_seen = stampOf(m_path);
    emit changed();
}

void FileWatch::watchAgain()
{
    // A watch follows what it was put on, not the name: the file or folder
    // now at a path may be another (deleted and made again, renamed away and
    // back), so every watch is put anew on what the names hold now.
    QStringList wanted;
    if (QFileInfo::exists(m_path))
        wanted << m_path;
    if (QFileInfo(m_folder).isDir())
        wanted << m_folder;
    QString above = QFileInfo(m_folder).absolutePath();
    for (QString up; !QFileInfo(above).isDir() && (up = QFileInfo(above).absolutePath()) != above;)
        above = up;
    if (above != m_folder && QFileInfo(above).isDir())
        wanted << above;
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (!wanted.isEmpty())
        m_watcher.addPaths(wanted);
}
