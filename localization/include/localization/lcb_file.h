#pragma once
// Binary translation files (".LCB"): a directory of window class names, each pointing at a
// stored translation component in the binary component stream, whose lists, language names and
// extended translations a window's component takes over.
//
// Layout, little-endian: the 42-byte header (kLcbHeader and a zero byte), a 16-bit entry count,
// a 16-bit fixed-languages flag, then per entry a 16-bit name length, the class name and a
// 32-bit offset of the stored component. Every length and offset is checked against the data.
// A file whose fixed-languages flag is set carries fixed-language lines after the flag and no
// usable directory: it loads nothing.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/stream.h"
#include "localization/translation_format.h"

namespace lark::localization {

class TlcCustomLang;

inline constexpr std::string_view kLcbHeader = "LCB file: TlcLang binary translation data";

class TLCBFileManager {
public:
    TLCBFileManager() = default;
    ~TLCBFileManager();
    TLCBFileManager(const TLCBFileManager&) = delete;
    TLCBFileManager& operator=(const TLCBFileManager&) = delete;

    // Opens the file for reading and runs ReadLcbStream; errors name the file.
    void LoadLcbForm(TlcCustomLang& lang, const std::string& windowClass, const std::string& fileName);
    // The first entry named exactly windowClass replaces lang's lists (kinds both have), language
    // names and extended translations; no entry leaves lang unchanged. A wrong header raises
    // "Unrecognized stream format!"; damaged data a read error, lang keeping what was copied.
    void ReadLcbStream(TlcCustomLang& lang, const std::string& windowClass, core::Stream& stream);
    // One kind of windowClass's entry into lang's list of that kind, read through a full
    // temporary component.
    void LoadLcbKind(TStringsType kind, const std::string& fileName, const std::string& windowClass,
                     TlcCustomLang& lang);
    // Copies the header text, the fixed languages, the owner names and a deep copy of every
    // listed component.
    void Assign(const TLCBFileManager& other);

    const StringList& FixedLanguages() const { return fixedLanguages_; }
    StringList OwnerNames;
    const std::vector<std::unique_ptr<core::Component>>& Components() const { return components_; }
    void AddComponent(std::unique_ptr<core::Component> component) { components_.push_back(std::move(component)); }
    void ClearComponents() { components_.clear(); }
    const std::string& HeaderText() const { return header_; }

private:
    std::vector<std::unique_ptr<core::Component>> components_;
    StringList fixedLanguages_;  // sorted, no duplicates
    std::string header_ = std::string(kLcbHeader) + '\0';
};

// Whether a file name is a binary translation file (extension ".LCB" in any case).
bool IsLcbFileName(std::string_view fileName);

}  // namespace lark::localization
