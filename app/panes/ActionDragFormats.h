#pragma once
// The drag formats in which actions travel between the available-actions tree and the stack
// list. A payload holds an address that means something only inside the process that made it
// and only while the drag that carries it runs; it is therefore stamped with this process's tag
// and sized for a full pointer, and a payload with another tag (or the wrong size) is refused.

#include "platform/base/GlobalMemory.h"
#include "platform/base/Types.h"

#include <vector>

class CAction;
class COleDataObject;

// Registered clipboard format ids ("VornaltActionObjectPointer", "VornaltActionsObjectPointer",
// "VornaltTargetObjectPointer"); registering again gives the same id.
UINT GetActionObjectFormat();
UINT GetActionsObjectFormat();
UINT GetTargetObjectFormat();
// Registers the three formats (start-up calls it once; the getters register on demand too).
void RegisterActionDragFormats();

// A zero-initialised fixed block for one action / for the producer's list of actions; null when
// it cannot be allocated. The producer keeps the objects alive until its drag returns.
HGLOBAL MakeActionObjectPayload(CAction* action);
HGLOBAL MakeActionsObjectPayload(const std::vector<CAction*>* actions);

// The address in a payload of the format, when the data offers it, made by this process and
// not null; else null.
CAction* ReadActionObjectPayload(const COleDataObject* data);
const std::vector<CAction*>* ReadActionsObjectPayload(const COleDataObject* data);
