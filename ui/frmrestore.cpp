// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmrestore.h"

#include "copies/overwritequestion.h"
#include "playerfile/playerfile.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"
#include "ui/application.h"
#include "ui/form1.h"
#include "ui/playertext.h"
#include "ui/questionbox.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// A name in quotes, or "no name" for an empty one.
QString Quoted(const std::u16string &text)
{
    return text.empty() ? QStringLiteral("no name") : u'"' + ToQString(text) + u'"';
}

} // namespace

frmrestore::frmrestore(::Form1 *owner)
    : ClassicDialog(owner), m_form1(owner), m_copies(owner->changes().store().copies())
{
    setupUi(this);
    for (const BackupCopy &copy : m_copies)
        List1->addItem(Entry(copy));
    connect(List1, &ClassicListBox::entrySelected, this, Guarded([this] { List1_Click(); }));
    connect(List2, &ClassicListBox::entrySelected, this, [this] { List2_Click(); });
    connect(cmdplayer, &QPushButton::clicked, this, Guarded([this] { cmdplayer_Click(); }));
    connect(cmdrestore, &QPushButton::clicked, this, Guarded([this] { cmdrestore_Click(); }));
    connect(cmdcancel, &QPushButton::clicked, this, &QDialog::reject);
    cmdplayer->setEnabled(false);
    cmdrestore->setEnabled(false);
    if (!m_copies.isEmpty())
        Application::runNested([this] { List1->setCurrentRow(0); });
}

QString frmrestore::Entry(const BackupCopy &copy)
{
    QStringList names;
    try {
        for (const std::u16string &name :
             PlayerFileReader(ToNativePath(copy.path)).ReadPlayerNames())
            names << (name.empty() ? QStringLiteral("(no name)") : ToQString(name));
    } catch (const FileError &) {
        // A copy that cannot be read is still listed; restoring it says why.
        names = QStringList{QStringLiteral("(cannot be read)")};
    }
    // A copy whose change never reached the file is listed, but no undo
    // step: say so.
    const QString unwritten =
        QFileInfo::exists(copy.recordPath()) ? QString() : QStringLiteral(" (no undo step)");
    return QStringLiteral("%1, before %2%3\n    %4")
        .arg(copy.time().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), copy.change.description(),
             unwritten, names.join(QStringLiteral(" \u00B7 ")));
}

QString frmrestore::PlayerLine(int slot, const PlayerDifference &player)
{
    QString line = QStringLiteral("Player %1, %2").arg(slot + 1).arg(Quoted(player.nameThen));
    if (player.nameThen != player.nameNow)
        line += QStringLiteral(" (now %1)").arg(Quoted(player.nameNow));
    if (player.same())
        return line + QStringLiteral(": the same as now");
    QStringList parts;
    if (player.nameDiffers)
        parts << QStringLiteral("the name");
    if (!player.macros.empty())
        parts << MacroList(player.macros);
    const bool several = parts.size() > 1 || player.macros.size() > 1;
    return line + QStringLiteral(": ") + parts.join(QStringLiteral(" and ")) +
           (several ? QStringLiteral(" differ") : QStringLiteral(" differs"));
}

QString frmrestore::GameDataLine(const CopyDifference &difference)
{
    if (difference.gameBytes == 0)
        return QStringLiteral("The game's own data in this copy is the same as now.");
    return QStringLiteral(
               "The game's own data differs in %1 bytes. Restore player leaves it as it is now; "
               "Restore whole file takes it back to this copy's time too.")
        .arg(difference.gameBytes);
}

const BackupCopy *frmrestore::selectedCopy() const
{
    const int row = List1->currentRow();
    return row >= 0 && row < m_copies.size() ? &m_copies[row] : nullptr;
}

void frmrestore::List1_Click()
{
    List2->clear();
    lblgame->setCaption(QString());
    const BackupCopy *copy = selectedCopy();
    cmdplayer->setEnabled(false);
    cmdrestore->setEnabled(copy != nullptr);
    if (!copy)
        return;
    std::string then;
    try {
        then = ReadWholeFile(ToNativePath(copy->path));
    } catch (const FileError &error) {
        // Restoring it says why again; the window stays usable.
        lblgame->setCaption(QString::fromUtf8(error.what()));
        return;
    }
    const CopyDifference difference = Compare(then, ReadWholeFile(m_form1->playerFile().path));
    int firstDiffering = -1;
    for (int slot = 0; slot < static_cast<int>(difference.players.size()); ++slot) {
        const PlayerDifference &player = difference.players[static_cast<std::size_t>(slot)];
        List2->addItem(PlayerLine(slot, player));
        if (firstDiffering < 0 && !player.same())
            firstDiffering = slot;
    }
    lblgame->setCaption(GameDataLine(difference));
    List2->setCurrentRow(std::max(firstDiffering, 0));
}

void frmrestore::List2_Click()
{
    cmdplayer->setEnabled(selectedCopy() != nullptr && List2->currentRow() >= 0);
}

void frmrestore::cmdplayer_Click()
{
    const BackupCopy *copy = selectedCopy();
    const int slot = List2->currentRow();
    if (!copy || slot < 0)
        return;
    QuestionBox questions(this);
    if (m_form1->changes().restorePlayer(*copy, static_cast<std::int16_t>(slot), questions)) {
        m_form1->ListPlayersFromFile(m_form1->List1->currentRow());
        accept();
    }
}

void frmrestore::cmdrestore_Click()
{
    const BackupCopy *copy = selectedCopy();
    if (!copy)
        return;
    QuestionBox questions(this);
    if (m_form1->changes().restoreFile(*copy, questions)) {
        m_form1->ListPlayersFromFile(m_form1->List1->currentRow());
        accept();
    }
}
