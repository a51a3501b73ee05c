#pragma once
// Records the shell change notices of this process: a message-only window registered for every
// event under the desktop, each notice kept as its event and the stored names of the last items
// of its two lists ("<null>" for a missing second list). Notices arrive as messages: pump them.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace lark::testing {

struct ShellNotice {
    LONG event;
    std::string first;
    std::string second;
};

class NoticeRecorder {
public:
    NoticeRecorder();
    ~NoticeRecorder();
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;

    std::vector<ShellNotice> notices;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
    HWND window_ = nullptr;
    ULONG id_ = 0;
};

}  // namespace lark::testing
