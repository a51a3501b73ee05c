#include <gtest/gtest.h>

#include <map>

#include "mainclient/main_client.h"

using namespace lark::mainclient;

namespace {

std::optional<std::string> TestEnvironment(std::string_view name) {
    static const std::map<std::string, std::string, std::less<>> values = {
        {"ProgramFiles", R"(C:\Program Files)"},
        {"LARK", R"(D:\Lark)"},
        {"EMPTY", ""},
    };
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

TEST(MainClientProgramFolder, FromEachFormOfTheLocalServerValue) {
    const struct {
        const char* value;
        const char* folder;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"larkftp.exe", ""},  // no folder: never a file of the current directory
        {R"(C:\Lark\larkftp.exe)", R"(C:\Lark\)"},
        {R"(C:\Lark\larkftp.exe /automation)", R"(C:\Lark\)"},
        {R"(C:\Lark\LARKFTP.EXE	-Embedding)", R"(C:\Lark\)"},
        {R"(C:\Program Files\Lark\larkftp.exe)", R"(C:\Program Files\Lark\)"},
        {R"(C:\Program Files\Lark\larkftp.exe /automation C:\other\x.txt)", R"(C:\Program Files\Lark\)"},
        {R"("C:\Program Files\Lark\larkftp.exe")", R"(C:\Program Files\Lark\)"},
        {R"("C:\Program Files\Lark\larkftp.exe" /automation)", R"(C:\Program Files\Lark\)"},
        {R"("C:\Lark.exe dir\larkftp.exe" /automation)", R"(C:\Lark.exe dir\)"},
        {R"(  "C:\Lark\larkftp.exe"  )", R"(C:\Lark\)"},
        {R"(  C:\Lark\larkftp.exe  )", R"(C:\Lark\)"},
        {R"("C:\Lark\larkftp.exe)", R"(C:\Lark\)"},  // an unclosed quote ends with the value
        {R"(C:\Lark.exe.d\larkftp.exe)", R"(C:\Lark.exe.d\)"},
        {R"(\\server\share\larkftp.exe /automation)", R"(\\server\share\)"},
        {"C:/Lark/larkftp.exe", "C:/Lark/"},
        {"C:larkftp.exe", "C:"},
        {R"(%ProgramFiles%\Lark\larkftp.exe /automation)", R"(C:\Program Files\Lark\)"},
        {R"("%ProgramFiles%\Lark\larkftp.exe" /automation)", R"(C:\Program Files\Lark\)"},
        {R"(%LARK%\larkftp.exe)", R"(D:\Lark\)"},
        {R"(%LARK%%EMPTY%\larkftp.exe)", R"(D:\Lark\)"},
        // Names that are not set stay as written, as Windows leaves them.
        {R"(%NoSuchVariable%\larkftp.exe)", R"(%NoSuchVariable%\)"},
        {R"(C:\100%\larkftp.exe)", R"(C:\100%\)"},
        {R"(C:\50%off%LARK%\larkftp.exe)", R"(C:\50%offD:\Lark\)"},
        {R"(%%\larkftp.exe)", R"(%%\)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgramFolderOfLocalServer(c.value, TestEnvironment), c.folder) << c.value;
}

TEST(MainClientProgramFolder, WithoutAnEnvironmentVariablesStayAsWritten) {
    EXPECT_EQ(ProgramFolderOfLocalServer(R"(%ProgramFiles%\Lark\larkftp.exe)", nullptr), R"(%ProgramFiles%\Lark\)");
}

}  // namespace
