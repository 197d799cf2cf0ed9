// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form2.h"

#include "playerfile/playerfile.h"
#include "ui/application.h"
#include "ui/form1.h"
#include "ui/form3.h"
#include "ui/globals.h"
#include "ui/playertext.h"

Form2::Form2(::Form1 *owner) : PlayerEditor(owner)
{
    setupUi(this);
    for (std::size_t i = 0; i < txtmacro.size(); ++i) {
        const int index = static_cast<int>(i);
        connect(txtmacro[i], &ClassicTextBox::changed, this,
                [this, index] { txtmacro_Change(index); });
    }
    connect(cmdsave, &QPushButton::clicked, this, Guarded([this] { cmdsave_Click(); }));
    connect(cmdreset, &QPushButton::clicked, this, Guarded([this] { cmdreset_Click(); }));
    connect(cmdcancel, &QPushButton::clicked, this, &Form2::cmdcancel_Click);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    Form_Load();
    lblname->setCaption(owner->SelectedName());
}

void Form2::Form_Load()
{
    mainWindow()->RefreshCurrentPlayer();
    fillBoxesFromFile();
}

void Form2::fillBoxesFromFile()
{
    m_read = ReadMacrosFromFile(mainWindow()->playerFile().path, CurrentPlayer);
    for (std::size_t k = 0; k < txtmacro.size(); ++k)
        txtmacro[k]->setText(ToQString(m_read[k]));
}

void Form2::txtmacro_Change(int index)
{
    ApplyMacroLengthRule(txtmacro[static_cast<std::size_t>(index)]);
}

void Form2::cmdsave_Click()
{
    MacroTexts texts;
    for (std::size_t k = 0; k < texts.size(); ++k)
        texts[k] = txtmacro[k]->text().toStdU16String();
    if (!submitted([&](Questions &questions) {
            return mainWindow()->changes().submitMacros(CurrentPlayer, texts, questions, m_read);
        }))
        return;
    // The main window shows what the file now holds, not the boxes' texts.
    mainWindow()->ShowMacrosFromFile(CurrentPlayer);
    accept();
}

void Form2::cmdreset_Click()
{
    fillBoxesFromFile();
}

void Form2::Command1_Click()
{
    // The character map opens without an owner from here.
    ShowCharacterMap(nullptr, &Form3::tbmacro);
}
