// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/filewatch.h"

#include <QFileInfo>

FileWatch::FileWatch(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::fileNotified);
    // Something in the folder was made, deleted or renamed: perhaps the file.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFileAgain();
        look();
    });
}

void FileWatch::watch(const QString &path)
{
    m_path = path;
    m_folder = QFileInfo(path).absolutePath();
    m_seen = stampOf(path);
    watchFileAgain();
}

void FileWatch::look()
{
    if (m_path.isEmpty())
        return;
    // A folder made again, or a notification missed: watched from now on.
    watchFileAgain();
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
    watchFileAgain();
    m_seen = stampOf(m_path);
    emit changed();
}

void FileWatch::watchFileAgain()
{
    // The system stops watching a file (or folder) that is deleted or
    // replaced; the one now at the path is another.
    if (!m_watcher.directories().contains(m_folder) && QFileInfo(m_folder).isDir())
        m_watcher.addPath(m_folder);
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
}
