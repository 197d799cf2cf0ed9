// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/classic/fonts.h"

#include <QStringList>

void RegisterFontSubstitutes()
{
    // Qt takes a substitute only when the face itself is missing, so Windows,
    // which has both faces, draws with them; elsewhere, and under Wine or
    // Proton (which pass on the system's fonts), the Liberation faces with
    // the same metrics stand in. "MS Sans Serif" is a bitmap face of old
    // Windows; Microsoft Sans Serif is its outline twin, and Liberation Sans
    // has the metrics of Arial, which comes closest.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"),
                                QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial")});
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
}

QFont ClassicFont(const QString &family, qreal pointSize)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    // If no substitute is found either, at least keep to the right kind of face.
    const bool serif = family.contains(QLatin1String("Times"), Qt::CaseInsensitive);
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    return font;
}

QFont DefaultWindowFont()
{
    return ClassicFont(QStringLiteral("MS Sans Serif"), 8.25);
}
