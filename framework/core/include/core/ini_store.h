#pragma once
// An INI file read the way the Windows private-profile functions read it, parsed once into an
// in-memory index so that every lookup is a hash probe instead of a scan of the file.
//
// Reading rules: section and key names compare without case and with surrounding blanks
// trimmed; a value is trimmed and loses one pair of surrounding double or single quotes; lines
// whose first non-blank character is ';' are comments; inside a section, lines without '=' are
// ignored; lines before the first section are ignored. Of keys that repeat in a section the
// first counts; of sections that repeat in the file the first counts.
//
// Writing keeps every other line of the file as it was, in order: a changed key is rewritten
// in place, a new key goes after the section's last key, a new section at the end. Erasing a
// section removes every section of that name and deleting a key removes all its lines in the
// section, so that no shadowed copy comes back.
//
// The file's bytes are Windows-1252 (or UTF-8 after a UTF-8 byte order mark, which is kept);
// all texts of the interface are UTF-8. Characters that Windows-1252 lacks are written as '?'.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/string_list.h"

namespace lark::core {

class IniStore {
public:
    IniStore();
    // Loads the file when it exists (LoadFromFile).
    explicit IniStore(const std::string& fileName);
    ~IniStore();
    IniStore(IniStore&&) noexcept;
    IniStore& operator=(IniStore&&) noexcept;

    // Replaces the content with the parsed text (the file's bytes).
    void LoadFromText(std::string_view bytes);
    // Remembers the path (UTF-8) and loads the file; a missing file gives an empty store.
    // A file that exists but cannot be read throws Error.
    void LoadFromFile(const std::string& fileName);
    // The file's bytes as they would be written.
    std::string SaveToText() const;
    // Writes to a temporary file beside the target and swaps it in; on failure the old file is
    // left as it was and Error is thrown.
    void SaveToFile(const std::string& fileName) const;
    // SaveToFile to the remembered path.
    void UpdateFile() const;
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // For many reads of one section: the section that reads see, found once (null when there
    // is none). It stays valid until the store is changed or loaded again.
    struct Section;
    const Section* FindSectionForReading(std::string_view section) const;
    std::string ReadString(const Section* section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal, "$" or "0x" hexadecimal, within 32 bits; anything else gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // An integer that is not 0; a text that is no integer gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // A decimal number with '.'; anything else gives the default.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

    // Names and values holding a line break, keys that are empty, hold '=' or begin with '['
    // or ';' would read back as something else: they throw Error naming the section and key,
    // and nothing is changed.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
    void WriteFloat(std::string_view section, std::string_view key, double value);

    // The keys of the section in file order (each once).
    std::vector<std::string> ReadSection(std::string_view section) const;
    // The same keys, handed to `each` without copying them.
    void ForEachKey(std::string_view section, const std::function<void(std::string_view key)>& each) const;
    // The section names in file order (each once).
    std::vector<std::string> ReadSections() const;
    // Lines key=value of the section in file order.
    StringList ReadSectionValues(std::string_view section) const;
    // A section with at least one key.
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);
    // Changed since the last load or save.
    bool Modified() const { return modified_; }

private:
    struct Line;
    Section* FindSection(std::string_view section) const;
    const Line* FindKey(std::string_view section, std::string_view key) const;
    void Clear();

    std::string fileName_;
    std::unique_ptr<const std::string> text_;  // the loaded text, which lines view
    std::vector<std::string> preamble_;  // lines before the first section
    std::vector<std::unique_ptr<Section>> sections_;
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    template <class T>
    using NameMap = std::unordered_map<std::string, T, NameHash, NameEqual>;

    NameMap<Section*> index_;  // name -> first section of that name
    bool utf8_ = false;
    mutable bool modified_ = false;
};

// One store per INI file in the process, shared by every writer of that file (a program's
// settings and its windows' placements may live in one file). Work on it is done in passes: the
// outermost pass reads the file as it is when it begins, and its end writes the file back at
// once when anything changed, so each pass is a read-modify-write of the current file and no
// writer loses another's keys, whether the other is in this process or not. Passes nest: a pass
// begun while another is open (another writer of the same file) shares its content, and the
// outermost end writes both.
//
// A write the store refuses (a line break in a name or value, a key that would read back as
// something else) is left out and the pass goes on; the outermost end writes the rest, then
// throws Error naming the file and each refused key. Passes belong to one thread at a time.
class SharedIniFile {
public:
    // The store of that file (UTF-8 path): every caller naming the same file gets the same one.
    // An empty name gives a store of its own that reads as empty and cannot be written back.
    static std::shared_ptr<SharedIniFile> Open(const std::string& fileName);
    ~SharedIniFile();
    SharedIniFile(const SharedIniFile&) = delete;
    SharedIniFile& operator=(const SharedIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // The outermost begin reads the file (Error when it exists but cannot be read).
    void BeginPass();
    // keep: write back what the pass changed (outermost end only; Error when the file cannot be
    // written or a write was refused). Not keeping drops the changes of a failed outermost pass.
    void EndPass(bool keep);

    // Inside a pass.
    const IniStore& Store() const { return store_; }
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);

    // A pass of its own around `change`, kept when it returns.
    template <class F>
    void Update(F&& change) {
        BeginPass();
        try {
            change(*this);
        } catch (...) {
            EndPass(false);
            throw;
        }
        EndPass(true);
    }

private:
    explicit SharedIniFile(std::string fileName);

    std::string fileName_;
    IniStore store_;
    std::recursive_mutex mutex_;
    int depth_ = 0;
    std::vector<std::string> refused_;
};

}  // namespace lark::core
