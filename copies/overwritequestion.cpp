// SPDX-License-Identifier: GPL-3.0-or-later
#include "copies/overwritequestion.h"

#include <QStringList>

namespace {

QString Quoted(const std::u16string &text)
{
    return text.empty() ? QStringLiteral("an empty text")
                        : QStringLiteral("\"%1\"").arg(QString::fromStdU16String(text));
}

// "Macro 8", "the name": the rows of the main window count from 1.
QString FieldName(const OverwrittenField &field)
{
    return field.field == OverwrittenField::Name ? QStringLiteral("the name")
                                                 : QStringLiteral("Macro %1").arg(field.field + 1);
}

QString Capitalised(QString text)
{
    text[0] = text[0].toUpper();
    return text;
}

} // namespace

QString OverwriteQuestion(std::int16_t slot, const std::vector<OverwrittenField> &fields)
{
    const int player = slot + 1;
    if (fields.size() == 1) {
        const OverwrittenField &field = fields.front();
        return QStringLiteral("%1 of player %2 was changed on disk since this window opened: it "
                              "now holds %3. Submit replaces it with %4. Write anyway?")
            .arg(Capitalised(FieldName(field)))
            .arg(player)
            .arg(Quoted(field.onDisk), Quoted(field.toWrite));
    }
    // One line for each field, so that several stay readable.
    QStringList lines{
        QStringLiteral("Macros of player %1 were changed on disk since this window opened:")
            .arg(player)};
    for (const OverwrittenField &field : fields) {
        lines << QStringLiteral("%1 now holds %2; Submit replaces it with %3.")
                     .arg(Capitalised(FieldName(field)), Quoted(field.onDisk),
                          Quoted(field.toWrite));
    }
    lines << QStringLiteral("Write anyway?");
    return lines.join(u'\n');
}

QString MacroList(const std::vector<int> &macros)
{
    QStringList numbers;
    for (const int k : macros)
        numbers << QString::number(k + 1);
    if (numbers.size() == 1)
        return QStringLiteral("macro ") + numbers.first();
    const QString last = numbers.takeLast();
    return QStringLiteral("macros %1 and %2").arg(numbers.join(QStringLiteral(", ")), last);
}
