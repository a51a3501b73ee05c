#pragma once
// What a process holds, for leak checks around repeated work (open and close a window a hundred
// times, compare). Wine answers 0 for GetProcessHandleCount and GetGuiResources, so kernel handles
// are also counted by asking every handle value, and windows (the USER objects a form makes)
// one by one, top-level and message-only windows with their children.
#include "ui/win32.h"

#include <functional>
#include <string>

namespace lark::testing {

struct ResourceCount {
    DWORD handleCount = 0, gdiObjects = 0, userObjects = 0;
    int threads = 0, openHandles = 0, windows = 0;
    bool operator==(const ResourceCount&) const = default;
};

ResourceCount CountResources();
// The windows of this process (top-level and message-only, with their children); cheap.
int CountWindows();
std::string Describe(const ResourceCount& count);

// Runs `work` once (first-use classes, fonts and caches), then `times` more, pumping the queue
// after each batch; the counts before and after the repeated runs.
struct CountsAround {
    ResourceCount before, after;
};
CountsAround CountAroundRepeats(const std::function<void()>& work, int times);

}  // namespace lark::testing
