// SPDX-License-Identifier: GPL-3.0-or-later
#include "refusal.h"

#include <QMessageBox>

void ShowRefusal(QWidget *parent, const UnencodableCharacterError &error)
{
    const char32_t code = error.character();
    const QString character = QString::fromUcs4(&code, 1);
    QMessageBox::warning(
        parent, QStringLiteral("Not saved"),
        QStringLiteral("The character %1 (U+%2) cannot be stored in the player file, which "
                       "holds only the characters of the character map.\n\nNothing was saved. "
                       "Please replace the character and submit again.")
            .arg(character,
                 QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0')));
}
