// Stands in for the HTML Help library in the tests: its entry point records each call (command,
// target text, data; the keyword text for an index request) for the test to read back.
#include <windows.h>

#include <string>
#include <vector>

namespace {
struct Call {
    UINT command;
    std::wstring target;
    DWORD_PTR data;
    std::wstring keyword;
};
std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
}
}  // namespace

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpW(HWND, LPCWSTR target, UINT command, DWORD_PTR data) {
    Calls().push_back({command, target ? target : L"", data,
                       command == 2 && data ? reinterpret_cast<const wchar_t*>(data) : L""});
    return nullptr;
}

// The number of calls so far; with `index` in range, that call's command, target and keyword.
extern "C" __declspec(dllexport) int ProbeCall(int index, UINT* command, wchar_t* target, int targetSize,
                                               DWORD_PTR* data, wchar_t* keyword, int keywordSize) {
    const auto& calls = Calls();
    if (index < 0 || index >= static_cast<int>(calls.size())) return static_cast<int>(calls.size());
    const Call& call = calls[static_cast<std::size_t>(index)];
    *command = call.command;
    *data = call.data;
    lstrcpynW(target, call.target.c_str(), targetSize);
    lstrcpynW(keyword, call.keyword.c_str(), keywordSize);
    return static_cast<int>(calls.size());
}
