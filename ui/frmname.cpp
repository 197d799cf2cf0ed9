// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmname.h"

#include "application.h"
#include "form1.h"
#include "form3.h"
#include "globals.h"
#include "playerfile.h"
#include "playertext.h"
#include "refusal.h"

#include <QSignalBlocker>

frmname::frmname(::Form1 *owner) : ClassicDialog(owner), m_form1(owner)
{
    setupUi(this);
    connect(txtname, &ClassicTextBox::changed, this, &frmname::txtname_Change);
    connect(cmdsave, &QPushButton::clicked, this, Guarded([this] { cmdsave_Click(); }));
    connect(cmdreset, &QPushButton::clicked, this, &frmname::cmdreset_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &frmname::cmdcancel_Click);
    connect(Command1, &QPushButton::clicked, this, &frmname::Command1_Click);
}

void frmname::RefreshCurrentPlayer()
{
    CurrentPlayer = SelectedSlotOrFirst(m_form1->List1);
}

void frmname::txtname_Change()
{
    ApplyLengthRule(txtname, static_cast<int>(PlayerLayout::NameMaxLength));
}

void frmname::cmdsave_Click()
{
    RefreshCurrentPlayer();
    try {
        PlayerFileWriter(CurrentPlayerFilePath())
            .WritePlayerName(CurrentPlayer, txtname->text().toStdU16String());
    } catch (const UnencodableCharacterError &error) {
        // Nothing was written; the user can correct the name.
        ShowRefusal(this, error);
        return;
    }
    {
        // Emptying the list is not a selection of the user's.
        const QSignalBlocker quiet(m_form1->List1);
        m_form1->List1->clear();
    }
    AppendPlayerNames(m_form1->List1);
    Application::runNested([this] { m_form1->List1->setCurrentRow(CurrentPlayer); });
    accept();
}

void frmname::cmdreset_Click()
{
    txtname->setText(SelectedText(m_form1->List1));
}

void frmname::cmdcancel_Click()
{
    reject();
}

void frmname::Command1_Click()
{
    Form3 map(this);
    map.tbname->setVisible(true);
    map.exec();
}
