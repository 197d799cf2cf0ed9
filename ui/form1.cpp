// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "application.h"
#include "form2.h"
#include "frmname.h"
#include "gamefolder.h"
#include "globals.h"
#include "playerfile.h"
#include "playertext.h"

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    setupUi(this);
    connect(List1, &ClassicListBox::entrySelected, this, Guarded([this] { List1_Click(); }));
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, Guarded([this] { Command2_Click(); }));
    connect(Label2, &ClassicLabel::clicked, this, &Form1::Label2_Click);
}

bool Form1::Form_Load()
{
    PlatformServices services;
    return Form_Load(services, SettingsFilePath(ExecutableFolder()));
}

bool Form1::Form_Load(SystemServices &services, const std::string &settingsFile)
{
    const std::string folder = ResolveGameFolder(services, settingsFile, winId());
    if (folder.empty())
        return false;
    GameFolder = folder;
    AppendPlayerNames(List1);
    // Runs the selection handling at once, so the first player's macros are
    // in place before the window shows.
    Application::runNested([this] { List1->setCurrentRow(0); });
    return true;
}

void Form1::RefreshCurrentPlayer()
{
    CurrentPlayer = SelectedSlotOrFirst(List1);
}

void Form1::List1_Click()
{
    // The file is opened before the selection is looked at, so a missing
    // file shows up here even when nothing is selected.
    const PlayerFileReader file(CurrentPlayerFilePath());
    const auto macros = file.ReadPlayerMacros(static_cast<std::int16_t>(List1->currentRow()));
    if (!macros)
        return;
    for (std::size_t i = 0; i < lblMacro.size(); ++i)
        lblMacro[i]->setCaption(ToQString((*macros)[i]));
}

void Form1::Command1_Click()
{
    frmname editor(this);
    const QString name = SelectedText(List1);
    editor.lblname->setCaption(name);
    editor.txtname->setText(name);
    editor.exec();
}

void Form1::Command2_Click()
{
    RefreshCurrentPlayer();
    Form2 editor(this);
    editor.lblname->setCaption(SelectedText(List1));
    editor.exec();
}

void Form1::Label2_Click()
{
    OpenWebAddress();
}
