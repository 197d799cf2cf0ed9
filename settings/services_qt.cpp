// SPDX-License-Identifier: GPL-3.0-or-later
// The folder dialog and the browser through Qt, on systems where the
// Windows shell is not there.
#include "settings/systemservices.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QUrl>
#include <QWidget>

std::string PlatformServices::browseForFolder(NativeWindow owner, const std::string &title)
{
    QWidget *parent = owner ? QWidget::find(static_cast<WId>(owner)) : nullptr;
    const QString folder = QFileDialog::getExistingDirectory(parent, QString::fromLocal8Bit(title),
                                                             QString(), QFileDialog::ShowDirsOnly);
    // The path's own file-name bytes, so a folder with non-ASCII characters
    // round-trips through the settings file exactly.
    return QFile::encodeName(folder).toStdString();
}

void PlatformServices::openWebAddress(const std::string &address)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}
