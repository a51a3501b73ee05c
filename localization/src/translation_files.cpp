// The file entry points of a translation component: INI-text files by name (binary files for
// merges of a ".LCB" name), around the stream-level readers and writers. Saves replace the file
// atomically and keep what the file holds for other windows.
#include "core/stream.h"
#include "localization/mem_ini.h"
#include "scoped_flag.h"
#include "localization/lang_component.h"
#include "localization/lcb_file.h"

namespace lark::localization {
namespace {

using K = TStringsType;

// The file's bytes, or an empty stream for a file that does not exist yet.
core::MemoryStream Existing(const std::string& fileName) {
    if (!core::FileExists(fileName)) return core::MemoryStream();
    return core::MemoryStream(core::ReadFileBytes(fileName));
}

}  // namespace

int TlcCustomLang::LoadKindFromFile(TStringsType kind, const std::string& fileName, bool clear) {
    if (!core::FileExists(fileName)) return -1;
    core::FileStream file(fileName, core::FileStream::Mode::Read);
    return LoadKindFromIniStream(kind, file, clear);
}

int TlcCustomLang::SaveKindToFile(TStringsType kind, const std::string& fileName, std::string_view delimiter) {
    if (!StoredList(kind)) return -1;
    core::MemoryStream file = Existing(fileName);
    const int lines = SaveKindToIniStream(kind, file, delimiter);
    core::WriteFileAtomically(fileName, file.Data());
    return lines;
}

void TlcCustomLang::LoadAllFromFile(const std::string& fileName, bool clear) {
    if (!core::FileExists(fileName)) return;
    core::FileStream file(fileName, core::FileStream::Mode::Read);
    LoadAllFromIniStream(file, clear);
}

void TlcCustomLang::SaveAllToFile(const std::string& fileName, std::string_view delimiter) {
    TMemIniFile ini(fileName);
    SaveAllToIni(ini, delimiter);
    ini.WriteIniBack();
}

int TlcCustomLang::LoadStringsFromFile(const std::string& fileName, bool clear) {
    return LoadKindFromFile(K::stStrings, fileName, clear);
}

int TlcCustomLang::SaveStringsToFile(const std::string& fileName, std::string_view delimiter) {
    return SaveKindToFile(K::stStrings, fileName, delimiter);
}

void TlcCustomLang::LoadExtendedFromFile(const std::string& fileName, bool clear) {
    if (!core::FileExists(fileName)) return;
    core::FileStream file(fileName, core::FileStream::Mode::Read);
    LoadExtendedFromIniStream(file, clear);
}

void TlcCustomLang::SaveExtendedToFile(const std::string& fileName, std::string_view delimiter) {
    core::MemoryStream file = Existing(fileName);
    SaveExtendedToIniStream(file, delimiter);
    core::WriteFileAtomically(fileName, file.Data());
}

void TlcCustomLang::LoadAllKindsFromFile(const std::string& fileName, bool clear) {
    if (!core::FileExists(fileName)) return;
    LoadAllFromIni(TMemIniFile(fileName), clear);
}

bool TlcCustomLang::MergeKindFromFile(TStringsType kind, const std::string& fileName) {
    if (!StoredList(kind) || !core::FileExists(fileName)) return false;
    if (IsLcbFileName(fileName))
        return MergeKind(kind, [&] {
            TLCBFileManager reader;
            reader.LoadLcbKind(kind, fileName, WindowClassName(), *this);
            return true;
        });
    return MergeKind(kind, [&] {
        core::FileStream file(fileName, core::FileStream::Mode::Read);
        return LoadKindFromIniStream(kind, file, true) >= 0;
    });
}

bool TlcCustomLang::MergeAllFromFile(const std::string& fileName) {
    detail::ScopedFlag bulk(bulkLoading_, true);
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<K>(k);
        StringList* list = StoredList(kind);
        if (!list) continue;  // a kind this component does not keep is no failure
        if (!MergeKindFromFile(kind, fileName)) return false;
        PruneList(*list, kind);
    }
    tables_.RebuildLookupTables();
    return true;
}

bool TlcCustomLang::LoadAllAndApply(const std::string& fileName) {
    const bool merged = MergeAllFromFile(fileName);
    ApplyTranslation();
    return merged;
}

}  // namespace lark::localization
