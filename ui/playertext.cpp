// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/playertext.h"

#include "playerfile/playerfile.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>

void AppendPlayerNames(QListWidget *list, const std::filesystem::path &file)
{
    for (const std::u16string &name : PlayerFileReader(file).ReadPlayerNames())
        list->addItem(ToQString(name));
}

std::u16string ReadNameFromFile(const std::filesystem::path &file, std::int16_t slot)
{
    return PlayerFileReader(file).ReadPlayerName(slot).value_or(std::u16string());
}

MacroTexts ReadMacrosFromFile(const std::filesystem::path &file, std::int16_t slot)
{
    return PlayerFileReader(file).ReadPlayerMacros(slot).value_or(MacroTexts());
}

QString QtPathOf(const std::filesystem::path &path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
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

namespace {

void ApplyLengthRule(QLineEdit *box, std::size_t limit)
{
    const QString text = box->text();
    if (static_cast<std::size_t>(text.size()) <= limit)
        return;
    // The cut the file's write makes: before a pair of units that is one
    // character beyond U+FFFF, never between them.
    const auto kept = static_cast<int>(CutText(text.toStdU16String(), limit).size());
    // setText raises the change again; that nested pass finds the text
    // within the limit and does nothing.
    box->setText(text.left(kept));
    box->setCursorPosition(kept);
}

} // namespace

void ApplyNameLengthRule(QLineEdit *box)
{
    ApplyLengthRule(box, PlayerLayout::NameMaxLength);
}

void ApplyMacroLengthRule(QLineEdit *box)
{
    ApplyLengthRule(box, PlayerLayout::MacroMaxLength);
}
