#pragma once
// Finding the windows a test acts on, as a person would point at them: by class, by caption, by
// control id (or a path of ids from a top-level window), among the top-level windows in z-order.

#include "platform/user/Window.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testkit {

struct WindowQuery {
    const WCHAR* className = nullptr; // compared without case
    const WCHAR* text = nullptr;      // the caption, compared exactly
    int id = -1;                      // a child's control id; -1 for any
    bool visibleOnly = false;
    HWND owner = nullptr;             // top-level windows owned by this one only
};

// The top-level windows of the process, topmost first.
std::vector<HWND> TopLevelWindows();
// Every descendant of `parent` (depth first, in child order).
std::vector<HWND> Descendants(HWND parent);

bool Matches(HWND window, const WindowQuery& query);
// The first top-level window that matches, topmost first; null when none does.
HWND FindTopLevel(const WindowQuery& query);
// The first descendant of `parent` that matches.
HWND FindDescendant(HWND parent, const WindowQuery& query);
// Every match among the top-level windows and all their descendants.
std::vector<HWND> FindAll(const WindowQuery& query);

HWND FindByClass(const WCHAR* className, HWND parent = nullptr);
HWND FindByText(const WCHAR* text, HWND parent = nullptr);
// Follows control ids from `top` downwards: {1005} is the child 1005, {59648, 1} its child 1.
HWND FindByIdPath(HWND top, std::initializer_list<int> ids);

std::u16string TextOf(HWND window);
std::u16string ClassOf(HWND window);
// One line per window: handle, class, caption, id, style and rectangle, indented by depth.
std::string DescribeTree(HWND root = nullptr);

} // namespace testkit
