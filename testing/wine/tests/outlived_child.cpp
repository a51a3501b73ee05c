// A program that ends while a process it started lives on, as a test program ends while the
// desktop process its first window started stays: the runner must return when the program
// ends, whatever its children still hold.
//   outlived_child.exe           starts "outlived_child.exe --linger", prints its line, ends
//   outlived_child.exe --linger  waits 60 s, so that the runner outlives no timeout by luck
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--linger") {
        Sleep(60000);
        return 0;
    }
    std::wstring command = L"\"" + std::wstring(argv[0]) + L"\" --linger";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // No handles handed on: what the child keeps is the Unix side Wine gives every child.
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("[  FAILED  ] could not start the child: %lu\n", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("[  PASSED  ] the child lives on after this program's end\n");
    std::fflush(stdout);
    return 0;
}
