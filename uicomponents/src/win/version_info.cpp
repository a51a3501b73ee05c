#include "uicomponents/version_info.h"

#include <vector>

#include "uicomponents/version_key.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::ui {

namespace {
// The version resource of a file, empty when it has none.
std::vector<std::uint8_t> ReadVersionResource(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<std::uint8_t> data(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) data.clear();
    return data;
}

std::wstring FileOf(const std::string& fileName) {
    return fileName.empty() ? win::ModulePath(nullptr) : win::Widen(fileName);
}

std::string FirstTranslationKey(std::vector<std::uint8_t>& data) {
    void* value = nullptr;
    UINT length = 0;
    if (data.empty() || !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < 2 * sizeof(WORD))
        return {};
    const auto* words = static_cast<const WORD*>(value);
    return VersionTranslationKey(words[0], words[1]);
}
}  // namespace

LARK_DEFINE_CLASS(VersionInfo) {
    return core::ClassBuilder<VersionInfo>("TUiVersionInfo", &core::Component::StaticClass())
        .Prop("FileName", core::StringType(), &VersionInfo::FileName, &VersionInfo::SetFileName,
              core::Value(std::string()))
        .Prop("Version", core::StringType(), &VersionInfo::Version, &VersionInfo::SetVersion)
        .StoredWhen([](const VersionInfo&) { return false; })
        .Build();
}

VersionInfo::VersionInfo(core::Component* owner) : core::Component(owner) {}

void VersionInfo::SetFileName(std::string name) {
    if (!name.empty()) {
        const DWORD attributes = GetFileAttributesW(win::Widen(name).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw VersionInfoError(kErrorOpeningFile, "Error opening file");
    }
    if (name.empty() && !IsLoading()) name = win::Narrow(win::ModulePath(nullptr));
    fileName_ = std::move(name);
}

void VersionInfo::Loaded() {
    core::Component::Loaded();
    if (fileName_.empty()) SetFileName({});
}

std::string VersionInfo::TranslationKey() const {
    std::vector<std::uint8_t> data = ReadVersionResource(FileOf(fileName_));
    return FirstTranslationKey(data);
}

std::string VersionInfo::Text(std::string_view name) const {
    std::vector<std::uint8_t> data = ReadVersionResource(FileOf(fileName_));
    const std::string key = FirstTranslationKey(data);
    if (key.empty()) return {};
    const std::wstring path = L"\\StringFileInfo\\" + win::Widen(key) + L"\\" + win::Widen(name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || !value || length == 0) return {};
    std::wstring text(static_cast<const wchar_t*>(value), length);
    // The length counts the terminating zero.
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return win::Narrow(text);
}

}  // namespace lark::ui
