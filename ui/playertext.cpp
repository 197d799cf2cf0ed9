// SPDX-License-Identifier: GPL-3.0-or-later
#include "playertext.h"

#include "globals.h"
#include "playerfile.h"

#include <QLineEdit>
#include <QListWidget>

std::string CurrentPlayerFilePath()
{
    return PlayerFilePath(GameFolder);
}

void AppendPlayerNames(QListWidget *list)
{
    const PlayerFileReader file(CurrentPlayerFilePath());
    for (std::int16_t slot = 0; slot < PlayerLayout::SlotCount; ++slot)
        list->addItem(ToQString(file.ReadPlayerName(slot).value_or(std::u16string())));
}

QString SelectedText(const QListWidget *list)
{
    const QListWidgetItem *item = list->currentItem();
    return item ? item->text() : QString();
}

std::int16_t SelectedSlotOrFirst(const QListWidget *list)
{
    const int row = list->currentRow();
    return static_cast<std::int16_t>(row < 0 ? 0 : row);
}

void ApplyLengthRule(QLineEdit *box, int limit)
{
    if (box->text().size() <= limit)
        return;
    // setText raises the change again; that nested pass finds the text
    // within the limit and does nothing.
    box->setText(box->text().left(limit));
    box->setCursorPosition(limit);
}
