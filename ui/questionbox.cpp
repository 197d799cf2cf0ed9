// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/questionbox.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QString Title()
{
    return QStringLiteral("KORVAX player editor");
}

} // namespace

bool AskYesNo(QWidget *parent, const QString &question, bool yesByDefault)
{
    QMessageBox box(QMessageBox::Question, Title(), question, QMessageBox::Yes | QMessageBox::No,
                    parent);
    // Questions quote the player's texts, which are never markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QuestionBox::ask(const QString &question, bool yesByDefault)
{
    return AskYesNo(m_parent, question, yesByDefault);
}

void QuestionBox::tell(const QString &message)
{
    QMessageBox box(QMessageBox::Warning, Title(), message, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
