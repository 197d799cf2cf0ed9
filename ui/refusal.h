// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playerfile/codepage.h"

class QWidget;

// Tells the user that a text holds a character the player file cannot
// store; the editor stays open with the text as it is.
void ShowRefusal(QWidget *parent, const UnencodableCharacterError &error);
