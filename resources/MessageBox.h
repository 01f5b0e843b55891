#pragma once
// The message box lives in the window layer; this name stays for the program's callers, with the
// application's own captioned form.

#include "platform/user/MessageBox.h"

#include <string>

// The application's message box: captioned with the application's name.
int AppMessageBox(const WCHAR* text, UINT style);

// The application's name: the program file's name without its extension.
std::u16string ApplicationName();
