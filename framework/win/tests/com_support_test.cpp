#include <gtest/gtest.h>

#include <string>

#include "win/bstr.h"
#include "win/com_error.h"
#include "win/com_ptr.h"
#include "win/module_path.h"
#include "win/object.h"
#include "win/registration.h"
#include "win/registry.h"
#include "win/text.h"

using namespace lark::win;

namespace {

class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

TEST(Text, RoundTripsNonAsciiAndKeepsEmbeddedNul) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80" + std::string(1, '\0') + "x";
    const std::wstring wide = Widen(text);
    EXPECT_EQ(wide.size(), 12u);  // the emoji is a surrogate pair
    EXPECT_EQ(Narrow(wide), text);
    EXPECT_EQ(Widen(""), L"");
}

TEST(Text, InvalidUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(Widen("a\xFF" "b"), std::wstring(L"a\xFFFD" L"b"));
}

TEST_F(ComTest, BstrOwnsAndConverts) {
    Bstr s("Caf\xC3\xA9");
    EXPECT_EQ(SysStringLen(s.get()), 4u);
    Bstr copy = s;
    EXPECT_NE(copy.get(), s.get());
    EXPECT_EQ(copy.Utf8(), "Caf\xC3\xA9");
    EXPECT_EQ(BstrToUtf8(nullptr), "");
    Variant v;
    v.get()->vt = VT_I4;
    v.get()->lVal = -42;
    EXPECT_EQ(v.ToUtf8(), "-42");
}

TEST_F(ComTest, GuardMapsExceptionsAndPassesTextThroughErrorInfo) {
    EXPECT_EQ(Guard([] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(Guard([]() -> HRESULT { throw ComError(E_ACCESSDENIED, "no way"); }), E_ACCESSDENIED);
    EXPECT_EQ(FailureText(E_ACCESSDENIED), "no way");
    EXPECT_EQ(Guard([]() -> HRESULT { throw std::runtime_error("broken"); }), E_FAIL);
    EXPECT_EQ(FailureText(E_FAIL), "broken");
    EXPECT_EQ(Guard([]() -> HRESULT { throw 7; }), E_UNEXPECTED);
    // No error info left: the text is the formatted code.
    EXPECT_EQ(FailureText(E_FAIL).substr(0, 10), "0x80004005");
    try {
        Check(E_ACCESSDENIED, "opening");
        FAIL();
    } catch (const ComError& e) {
        EXPECT_EQ(e.code(), E_ACCESSDENIED);
        EXPECT_EQ(std::string(e.what()).rfind("opening: 0x80070005", 0), 0u) << e.what();
    }
}

class Counter : public ComObject<IClassFactory> {
public:
    explicit Counter(int* alive) : alive_(alive) { ++*alive_; }
    ~Counter() override { --*alive_; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    int* alive_;
    ScopedModuleLock lock_;
};

TEST_F(ComTest, ObjectAnswersItsInterfacesAndDiesWithLastReference) {
    int alive = 0;
    const long locks = ModuleLock::Count();
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CreateInstance<Counter>(IID_IClassFactory, factory.PutVoid(), &alive), S_OK);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(ModuleLock::Count(), locks + 1);
    ComPtr<IUnknown> unknown1, unknown2;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, unknown1.PutVoid()), S_OK);
    ASSERT_EQ(factory.As(unknown2), S_OK);
    EXPECT_EQ(unknown1.get(), unknown2.get());
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(factory.As(dispatch), E_NOINTERFACE);
    EXPECT_FALSE(dispatch);
    factory.Reset();
    unknown1.Reset();
    unknown2.Reset();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(ModuleLock::Count(), locks);
}

TEST_F(ComTest, ClassFactoryCreatesAndRefusesAggregation) {
    int alive = 0;
    ComPtr<IClassFactory> factory = ComPtr<IClassFactory>::Attach(
        new ClassFactory([&](REFIID iid, void** out) { return CreateInstance<Counter>(iid, out, &alive); }));
    ComPtr<IClassFactory> made;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, made.PutVoid()), S_OK);
    EXPECT_EQ(alive, 1);
    ComPtr<IDispatch> wrong;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, wrong.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(alive, 1);  // the refused object was freed
    EXPECT_EQ(factory->CreateInstance(made.get(), IID_IUnknown, wrong.PutVoid()), CLASS_E_NOAGGREGATION);
    made.Reset();
    EXPECT_EQ(alive, 0);
}

TEST(Registry, WritesReadsAndDeletesTrees) {
    const std::string root = "Software\\LarkTests\\framework_win_" + std::to_string(GetCurrentProcessId());
    WriteRegistryString(HKEY_CURRENT_USER, root + "\\a\\b", "", "d\xC3\xA9" "faut");
    WriteRegistryString(HKEY_CURRENT_USER, root + "\\a\\b", "Name", "value");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, root + "\\a\\b").value_or("?"), "d\xC3\xA9" "faut");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, root + "\\a\\b", "Name").value_or("?"), "value");
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, root + "\\a\\b", "Missing"));
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, root + "\\nothing"));
    DeleteRegistryTree(HKEY_CURRENT_USER, root);
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, root));
    DeleteRegistryTree(HKEY_CURRENT_USER, root);  // already gone: fine
}

TEST(Registration, GuidText) {
    EXPECT_EQ(GuidToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
}

TEST(ModulePath, ProgramAndLibraryPathsSplitIntoFolderAndName) {
    const std::wstring program = ModulePath();
    EXPECT_EQ(ModuleFileName(), L"framework_win_tests.exe");
    EXPECT_EQ(ModuleFolder() + ModuleFileName(), program);
    EXPECT_EQ(ModuleFolder().back(), L'\\');

    // A DLL's own handle names the DLL, not the program that loaded it.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(CharLowerW(ModuleFileName(kernel).data()), std::wstring(L"kernel32.dll"));
    EXPECT_NE(ModuleFolder(kernel), ModuleFolder());
}

}  // namespace
