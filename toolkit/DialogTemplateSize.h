// The client size a dialog template asks for, in the dialog's own pixels.
#pragma once

#include <windows.h>

// The template's width and height (dialog units, mapped with the dialog's font); false when the
// template cannot be found or read.
bool TemplateClientSize(HWND dialog, int templateId, SIZE& size);
