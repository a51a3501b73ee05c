// The build links each compiled definition into the program as an RCDATA resource named after
// its class in capitals, where the window layer reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/component_stream.h"

using namespace lark;

TEST(FormResources, EachDefinitionIsAnRcdataResourceNamedAfterItsClass) {
    struct Case {
        const wchar_t* resource;
        const char* className;
        const char* name;
    } cases[] = {{L"TCONFIRMDIALOG", "TConfirmDialog", "ConfirmDialog"}, {L"TTESTMAIN", "TTestMain", "TestMain"}};
    for (const Case& c : cases) {
        HRSRC info = FindResourceW(nullptr, c.resource, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
        ASSERT_NE(info, nullptr) << c.className;
        const void* data = LockResource(LoadResource(nullptr, info));
        ASSERT_NE(data, nullptr);
        core::MemoryStream in(data, SizeofResource(nullptr, info));
        core::Reader reader(in);
        reader.ReadSignature();
        EXPECT_EQ(reader.ReadShortString(), c.className);
        EXPECT_EQ(reader.ReadShortString(), c.name);
    }
    EXPECT_EQ(FindResourceW(nullptr, L"TNOSUCHFORM", MAKEINTRESOURCEW(10)), nullptr);
}
