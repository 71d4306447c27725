// Test helper: drops files on a window as the shell does, through WM_DROPFILES with a
// DROPFILES block in movable global memory that DragQueryFileA reads like a real drop.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The drop block for the paths (ANSI, each zero-terminated, then one more zero), or null.
// Whoever handles the drop frees it with DragFinish; otherwise free it with GlobalFree.
HGLOBAL BuildDrop(const std::vector<std::string>& paths, POINT point = {0, 0});

// Sends the drop to the window, which frees the block with DragFinish as it must for a real
// drop. False if no block could be made.
bool SendDrop(HWND target, const std::vector<std::string>& paths);

// The same drop in the wide form the shell itself sends (DROPFILES with fWide set), paths given
// in UTF-8.
bool SendWideDrop(HWND target, const std::vector<std::string>& utf8Paths);
