// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form3.h"

#include "playerfile/codepage.h"
#include "playerfile/playerfile.h"
#include "ui/playertext.h"

Form3::Form3(QWidget *owner) : ClassicDialog(owner)
{
    setupUi(this);
    for (int n = FirstCode; n <= LastCode; ++n) {
        connect(Label1[static_cast<std::size_t>(n)], &ClassicLabel::clicked, this,
                [this, n] { Label1_Click(n); });
    }
    connect(tbname, &ClassicTextBox::changed, this, &Form3::tbname_Change);
    connect(tbmacro, &ClassicTextBox::changed, this, &Form3::tbmacro_Change);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    Form_Load();
}

void Form3::Form_Load()
{
    for (int n = FirstCode; n <= LastCode; ++n) {
        ClassicLabel *label = Label1[static_cast<std::size_t>(n)];
        QFont font = label->font();
        font.setFamily(QStringLiteral("Times New Roman"));
        label->setFont(font);
        label->setCaption(QString(QChar(CharacterForByte(static_cast<unsigned char>(n)))));
    }
}

void Form3::Label1_Click(int index)
{
    // The character comes from the label's index, not its caption, and
    // always goes to the end of the visible box.
    QLineEdit *box = tbname->isVisibleTo(this) ? tbname : tbmacro;
    box->setText(box->text() + QChar(CharacterForByte(static_cast<unsigned char>(index))));
}

void Form3::tbname_Change()
{
    ApplyNameLengthRule(tbname);
}

void Form3::tbmacro_Change()
{
    ApplyMacroLengthRule(tbmacro);
}

void Form3::Command1_Click()
{
    reject();
}
