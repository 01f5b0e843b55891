#pragma once
// The message box lives in the window layer; this name stays for the program's callers.

#include "platform/user/MessageBox.h"
