#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "shellext/shell_allocator.h"
#include "shellext/win/drag_detect_win.h"

using namespace lark::shellext;

namespace {

HWND MakeWindow() {
    return CreateWindowExW(0, L"STATIC", L"drag", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(DragDetectWin, NoButtonHeldIsNoDragAndCaptureGoesBack) {
    HWND window = MakeWindow();
    HWND holder = MakeWindow();
    ASSERT_TRUE(window && holder);
    SetCapture(holder);
    EXPECT_FALSE(DragDetectEx(window, POINT{10, 10}));
    EXPECT_EQ(GetCapture(), holder);
    ReleaseCapture();
    DestroyWindow(window);
    DestroyWindow(holder);
}

TEST(DragDetectWin, InvalidWindowIsNoDrag) {
    EXPECT_FALSE(DragDetectEx(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0)), POINT{1, 1}));
}

TEST(ShellAllocatorWin, ListsAreFreeableWithTheTaskAllocator) {
    // Explorer frees what it receives with the COM task allocator.
    void* block = DefaultShellAllocator().Alloc(94);
    ASSERT_NE(block, nullptr);
    CoTaskMemFree(block);
    block = CoTaskMemAlloc(10);
    DefaultShellAllocator().Free(block);
    DefaultShellAllocator().Free(nullptr);
}

}  // namespace
