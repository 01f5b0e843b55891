#pragma once
// The mouse and keyboard messages, flags and virtual-key codes live with the input router.

#include "platform/user/Input.h"
#include "platform/user/Messages.h"
