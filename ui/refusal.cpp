// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/refusal.h"

#include <QMessageBox>

void ShowRefusal(QWidget *parent, const UnencodableCharacterError &error)
{
    const char32_t code = error.character();
    const QString number = QString::fromStdString(CharacterCode(code));
    // A tab, an escape or a NUL shows as nothing, so such a character is
    // named by its code alone.
    const QString character =
        IsShowableCharacter(code)
            ? QStringLiteral("%1 (%2)").arg(QString::fromUcs4(&code, 1), number)
            : number;
    QMessageBox::warning(
        parent, QStringLiteral("Not saved"),
        QStringLiteral("The character %1 cannot be stored in the player file, which holds only "
                       "the characters of %2, as the character map shows them.\n\nNothing was "
                       "saved. Please replace the character and submit again.")
            .arg(character, QString::fromStdString(CodePageName())));
}
