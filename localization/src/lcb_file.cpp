#include "localization/lcb_file.h"

#include <algorithm>
#include <cstdint>

#include "core/component_stream.h"
#include "core/strings_object.h"
#include "core/text_encoding.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "scoped_flag.h"

namespace lark::localization {
namespace {

std::uint16_t ReadU16(core::Stream& s) {
    std::uint8_t b[2];
    s.ReadExact(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t ReadU32(core::Stream& s) {
    std::uint8_t b[4];
    s.ReadExact(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// The class of the component stored at the stream's position (the position is kept): a
// registered translation component class, else a read error.
std::unique_ptr<TlcCustomLang> NewStoredComponent(core::Stream& s) {
    const std::int64_t at = s.Position();
    char signature[4];
    s.ReadExact(signature, 4);
    if (!std::equal(signature, signature + 4, core::kComponentStreamSignature))
        throw core::ReadError("Invalid stream format at offset " + std::to_string(at), at);
    std::uint8_t length;
    s.ReadExact(&length, 1);
    if ((length & 0xF0) == 0xF0) {  // filer flags before the class name
        if (length & 0x02) throw core::ReadError("Unexpected child position at offset " + std::to_string(at), at);
        s.ReadExact(&length, 1);
    }
    std::string name(length, '\0');
    s.ReadExact(name.data(), length);
    s.Seek(at);
    const core::ClassInfo* cls = core::ClassRegistry::Find(name);
    if (!cls || !cls->create || !cls->InheritsFrom(TlcCustomLang::StaticClass()))
        throw core::ReadError("Class " + name + " not found", at);
    std::unique_ptr<core::Persistent> object = cls->create();
    auto* lang = dynamic_cast<TlcCustomLang*>(object.get());
    if (!lang) throw core::ReadError("Class " + name + " not found", at);
    object.release();
    return std::unique_ptr<TlcCustomLang>(lang);
}

}  // namespace

bool IsLcbFileName(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot != std::string_view::npos && core::AnsiUpper(fileName.substr(dot)) == ".LCB";
}

TLCBFileManager::~TLCBFileManager() { ClearComponents(); }

void TLCBFileManager::LoadLcbForm(TlcCustomLang& lang, const std::string& windowClass, const std::string& fileName) {
    core::FileStream file(fileName, core::FileStream::Mode::Read);
    try {
        ReadLcbStream(lang, windowClass, file);
    } catch (const core::Error& e) {
        throw core::Error("Cannot read translation file \"" + fileName + "\": " + e.what());
    }
}

void TLCBFileManager::ReadLcbStream(TlcCustomLang& lang, const std::string& windowClass, core::Stream& stream) {
    // Stored components are translation components of these classes.
    TlcLang::StaticClass();
    TlcLangLinked::StaticClass();
    const std::int64_t size = stream.Size();
    std::string header;
    for (;;) {
        if (stream.Position() >= size - 2) break;
        char c;
        stream.ReadExact(&c, 1);
        header += c;
        if (c == '\0') break;
    }
    if (header != header_) throw core::StreamError("Unrecognized stream format!");
    const std::uint16_t entries = ReadU16(stream);
    const std::uint16_t fixed = ReadU16(stream);
    fixedLanguages_.clear();
    if (fixed != 0) {
        // Fixed-language lines fill the rest: no directory follows, nothing loads.
        const std::vector<std::uint8_t> rest = stream.ReadRest();
        core::StringsObject lines;
        lines.SetText(core::Win1252ToUtf8(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size())));
        fixedLanguages_ = lines.Lines();
        std::sort(fixedLanguages_.begin(), fixedLanguages_.end(),
                  [](const std::string& a, const std::string& b) { return core::CompareTextUtf8(a, b) < 0; });
        fixedLanguages_.erase(std::unique(fixedLanguages_.begin(), fixedLanguages_.end(),
                                          [](const std::string& a, const std::string& b) { return core::SameTextUtf8(a, b); }),
                              fixedLanguages_.end());
        return;
    }
    for (int i = 0; i < entries; ++i) {
        const std::uint16_t length = ReadU16(stream);
        if (length > stream.Remaining())
            throw core::ReadError("Entry name beyond the end of the data at offset " + std::to_string(stream.Position()),
                                  stream.Position());
        std::string name(length, '\0');
        stream.ReadExact(name.data(), length);
        const std::uint32_t offset = ReadU32(stream);
        if (name != windowClass) continue;
        if (offset >= static_cast<std::uint64_t>(size))
            throw core::ReadError("Stored component of " + name + " beyond the end of the data", stream.Position());
        stream.Seek(offset);
        std::unique_ptr<TlcCustomLang> stored = NewStoredComponent(stream);
        // Neither applies a language nor links while it is read and copied.
        detail::ScopedFlag suspendStored(stored->ApplySuspended, true);
        detail::ScopedFlag suspendTarget(lang.ApplySuspended, true);
        core::Reader(stream).ReadRootComponent(*stored);
        lang.TakeStoredComponent(*stored);
        return;
    }
}

void TLCBFileManager::LoadLcbKind(TStringsType kind, const std::string& fileName, const std::string& windowClass,
                                  TlcCustomLang& lang) {
    TlcLang full;
    LoadLcbForm(full, windowClass, fileName);
    const StringList* from = full.ListOfKind(kind);
    StringList* to = lang.StoredList(kind);
    if (!from || !to) return;
    *to = *from;
    if (full.LangDelim() != lang.LangDelim()) ReplaceDelimiterInList(*to, full.LangDelim(), lang.LangDelim());
    lang.MoveOwnerLineToTop(*to, kind);
}

void TLCBFileManager::Assign(const TLCBFileManager& other) {
    if (&other == this) return;
    header_ = other.header_;
    fixedLanguages_ = other.fixedLanguages_;
    OwnerNames = other.OwnerNames;
    ClearComponents();
    for (const auto& component : other.components_) {
        const core::ClassInfo* cls = core::ClassRegistry::Find(component->Class().name);
        if (!cls || !cls->create) throw core::Error("Class " + component->Class().name + " not found");
        std::unique_ptr<core::Persistent> object = cls->create();
        auto* copy = dynamic_cast<core::Component*>(object.get());
        if (!copy) throw core::Error("Class " + component->Class().name + " is no component");
        core::ReadComponentFromBytes(*copy, core::WriteComponentToBytes(*component));
        object.release();
        components_.emplace_back(copy);
    }
}

// ---- on the translation component ----

void TlcCustomLang::TakeStoredComponent(TlcCustomLang& stored) {
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<TStringsType>(k);
        const StringList* from = stored.ListOfKind(kind);
        StringList* to = StoredList(kind);
        if (!from || !to) continue;
        *to = *from;
        if (stored.LangDelim() != LangDelim()) ReplaceDelimiterInList(*to, stored.LangDelim(), LangDelim());
        MoveOwnerLineToTop(*to, kind);
    }
    // A file naming fewer languages than the active one keeps this component's names, so the
    // active language stays valid and the window still opens.
    std::vector<std::string> names = stored.LangNames().Lines();
    if (static_cast<int>(names.size()) > kMaxLanguages) names.resize(kMaxLanguages);
    if (static_cast<int>(names.size()) >= ActiveLanguage()) SetLangNames(names);
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    items.Clear();
    const TlcExtendedItems& storedItems = stored.Tables().ExtendedTranslations();
    for (int i = 0; i < storedItems.Count(); ++i) {
        TlcExtendedItem& item = items.Add(storedItems[i].Identifier);
        item.Values = storedItems[i].Values;
        if (stored.LangDelim() != LangDelim())
            std::replace(item.Values.begin(), item.Values.end(), stored.LangDelim(), LangDelim());
        item.PropertyType = storedItems[i].PropertyType;
    }
}

void TlcCustomLang::LoadFormFromLcbFile(const std::string& fileName) {
    if (!Owner()) return;
    TLCBFileManager* shared = dispatcher_ ? dispatcher_->LcbReader() : nullptr;
    if (shared && core::SameTextUtf8(fileName, dispatcher_->FileName)) {
        shared->LoadLcbForm(*this, WindowClassName(), fileName);
    } else {
        TLCBFileManager temporary;
        temporary.LoadLcbForm(*this, WindowClassName(), fileName);
    }
    tables_.RebuildLookupTables();
    ApplyTranslation();
}

void TlcCustomLang::LoadKindFromLcbFile(TStringsType kind, const std::string& fileName) {
    TLCBFileManager temporary;
    temporary.LoadLcbKind(kind, fileName, WindowClassName(), *this);
    if (kind == TStringsType::stStrings) tables_.RebuildLookupTables();
}

}  // namespace lark::localization
