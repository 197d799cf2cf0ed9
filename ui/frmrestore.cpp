// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmrestore.h"

#include "playerfile/playerfile.h"
#include "ui/application.h"
#include "ui/form1.h"
#include "ui/playertext.h"

#include <QStringList>

frmrestore::frmrestore(::Form1 *owner)
    : ClassicDialog(owner), m_form1(owner), m_copies(owner->writeGuard().store().copies())
{
    setupUi(this);
    for (const BackupCopy &copy : m_copies)
        List1->addItem(Entry(copy));
    List1->setCurrentRow(m_copies.isEmpty() ? -1 : 0);
    cmdrestore->setEnabled(!m_copies.isEmpty());
    connect(cmdrestore, &QPushButton::clicked, this, Guarded([this] { cmdrestore_Click(); }));
    connect(cmdcancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmrestore::Entry(const BackupCopy &copy)
{
    QStringList names;
    try {
        const PlayerFileReader file(ToNativePath(copy.path));
        for (std::int16_t slot = 0; slot < PlayerLayout::SlotCount; ++slot) {
            const QString name = ToQString(file.ReadPlayerName(slot).value_or(std::u16string()));
            names << (name.isEmpty() ? QStringLiteral("(no name)") : name);
        }
    } catch (const FileError &) {
        // A copy that cannot be read is still listed; restoring it says why.
        names = QStringList{QStringLiteral("(cannot be read)")};
    }
    return QStringLiteral("%1, before %2\n    %3")
        .arg(copy.time().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), copy.change.description(),
             names.join(QStringLiteral(" \u00B7 ")));
}

void frmrestore::cmdrestore_Click()
{
    const int row = List1->currentRow();
    if (row < 0 || row >= m_copies.size())
        return;
    if (m_form1->PutBack(this, m_copies[row], Change::restore()))
        accept();
}
