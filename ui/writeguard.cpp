// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/writeguard.h"

#include "settings/gameprocess.h"
#include "ui/globals.h"

#include <QMessageBox>
#include <QPushButton>

bool AskYesNo(QWidget *parent, const QString &question, bool yesByDefault)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("KORVAX player editor"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    // Questions quote the player's texts, which are never markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

WriteGuard::WriteGuard() : m_root(BackupStore::defaultRoot()), m_gameRunning(IsGameRunning) {}

BackupStore WriteGuard::store() const
{
    return BackupStore(m_root, GameFolder);
}

bool WriteGuard::prepareWrite(QWidget *parent, const Change &change) const
{
    if (m_gameRunning() &&
        !AskYesNo(parent,
                  QStringLiteral("KORVAX is running. It may overwrite this change when it saves "
                                 "or quits. Write anyway?"),
                  false))
        return false;
    if (!m_makingCopies)
        return true;
    try {
        store().copyBefore(change);
    } catch (const BackupError &error) {
        return AskYesNo(parent,
                        QStringLiteral("No copy of kvxplr.sav could be made in %1: %2. Write the "
                                       "change anyway?")
                            .arg(error.folder(), error.reason()),
                        false);
    }
    return true;
}
