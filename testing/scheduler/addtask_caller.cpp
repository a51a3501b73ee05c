// Another program adding a task to the running scheduler, as a caller written from the
// interface alone would: create the class, call AddTask once, release. Its arguments are the
// seven texts and the task type; its exit code is the HRESULT, and a failure's text goes to the
// standard error.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "lf_scheduler.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 9) {
        std::fputs("usage: addtask_caller host user password proxy port local remote type\n", stderr);
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    ILarkFTP_Scheduler* scheduler = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_LarkFTP_Scheduler, nullptr, CLSCTX_LOCAL_SERVER, IID_ILarkFTP_Scheduler,
                                  reinterpret_cast<void**>(&scheduler));
    if (SUCCEEDED(hr)) {
        BSTR texts[7];
        for (int i = 0; i < 7; ++i) texts[i] = SysAllocString(argv[i + 1]);
        hr = scheduler->AddTask(texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6],
                                static_cast<signed char>(std::wcstol(argv[8], nullptr, 10)));
        for (BSTR text : texts) SysFreeString(text);
        scheduler->Release();
    }
    if (FAILED(hr)) std::fprintf(stderr, "AddTask: 0x%08lX\n", static_cast<unsigned long>(hr));
    CoUninitialize();
    return static_cast<int>(hr);
}
