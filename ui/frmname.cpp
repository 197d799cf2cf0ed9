// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmname.h"

#include "playerfile/playerfile.h"
#include "ui/application.h"
#include "ui/form1.h"
#include "ui/form3.h"
#include "ui/globals.h"
#include "ui/playertext.h"

frmname::frmname(::Form1 *owner) : PlayerEditor(owner)
{
    setupUi(this);
    connect(txtname, &ClassicTextBox::changed, this, &frmname::txtname_Change);
    connect(cmdsave, &QPushButton::clicked, this, Guarded([this] { cmdsave_Click(); }));
    connect(cmdreset, &QPushButton::clicked, this, Guarded([this] { cmdreset_Click(); }));
    connect(cmdcancel, &QPushButton::clicked, this, &frmname::cmdcancel_Click);
    connect(Command1, &QPushButton::clicked, this, &frmname::Command1_Click);
    // What Submit finds changed on disk is measured against this reading.
    m_read = ReadNameFromFile(owner->playerFile().path, SelectedSlotOrFirst(owner->List1));
    const QString name = owner->SelectedName();
    lblname->setCaption(name);
    txtname->setText(name);
}

void frmname::txtname_Change()
{
    ApplyNameLengthRule(txtname);
}

void frmname::cmdsave_Click()
{
    mainWindow()->RefreshCurrentPlayer();
    const std::u16string name = txtname->text().toStdU16String();
    if (!submitted([&](Questions &questions) {
            return mainWindow()->changes().submitName(CurrentPlayer, name, questions, m_read);
        }))
        return;
    mainWindow()->ListPlayersFromFile(CurrentPlayer);
    accept();
}

void frmname::cmdreset_Click()
{
    // The name as the file holds it now, which may be newer than the list's.
    m_read =
        ReadNameFromFile(mainWindow()->playerFile().path, SelectedSlotOrFirst(mainWindow()->List1));
    txtname->setText(ToQString(m_read));
}

void frmname::Command1_Click()
{
    ShowCharacterMap(this, &Form3::tbname);
}
