#pragma once
// The modules the class library loads resources from: the program's own (the instance) and the
// current resource module, which a scope may switch to another module and back.

#include "platform/base/Modules.h"

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
// The current resource module when it has the resource, else the program's (which may have it).
HINSTANCE AfxFindResourceHandle(const WCHAR* name, const WCHAR* type);
