#pragma once
// The action registry: every action class the user can add, in a fixed order, with the type key
// a ".stack" file stores and the string-table ids of its name and description. Stack files
// re-create their actions through CreateActionByType.
//
// A class that is not part of this build (yet) still has its entry: its actions are created
// with their key and names, so stack elements of that type load, and their work fails with
// code 11 and one log line. A library that provides such a class installs its factory at start-up
// with SetActionFactory.

#include "platform/base/Types.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CAction;

// Makes a new action holding one reference (the caller's).
using ActionFactory = std::function<CAction*()>;

struct ActionRegistryEntry {
    const char16_t* typeKey;
    UINT nameId;
    UINT descriptionId;
    bool postProcess;
    ActionFactory factory;
};

// A snapshot of the registry in its order.
std::vector<ActionRegistryEntry> GetActionRegistry();

// A new action (one reference, the caller's) whose type key equals `typeKey` without regard to
// case; null when no class has it.
CAction* CreateActionByType(std::u16string_view typeKey);

// Replaces the factory of a registered key (exact key); false for a key the registry does not
// have or an empty factory. Call before any other thread creates actions.
bool SetActionFactory(std::u16string_view typeKey, ActionFactory factory);
