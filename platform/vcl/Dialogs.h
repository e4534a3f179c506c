// The framework's message dialog.
#pragma once

#include "AnsiString.h"

// Shows the text with an OK button through the message-box notice handler and returns when
// it is dismissed. The caption is empty.
void ShowMessage(const AnsiString &text);
