#include "core/ini_store.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/errors.h"
#include "core/integer_text.h"
#include "core/stream.h"
#include "core/text_encoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lark::core {

namespace fs = std::filesystem;

struct IniStore::Line {
    // The line as it stands in the file (UTF-8, without its break): a view of the loaded text,
    // or its own copy once written.
    std::string_view loaded;
    std::unique_ptr<std::string> own;  // few lines are written: keep the line small
    bool isKey = false;
    bool shadowed = false;  // an earlier line of the section has the same key
    // Where the trimmed key and the trimmed, unquoted value lie in the line (key lines only).
    std::uint32_t keyPos = 0, keyLen = 0, valuePos = 0, valueLen = 0;
    std::uint32_t hash = 0;  // of the key, to pass over other keys without comparing them

    std::string_view raw() const { return own ? std::string_view(*own) : loaded; }
    std::string_view key() const { return raw().substr(keyPos, keyLen); }
    std::string_view value() const { return raw().substr(valuePos, valueLen); }
    // Takes a new text and finds its key and value again, exactly as loading would.
    void Set(std::string text);
};

struct IniStore::Section {
    std::string name;
    Line header;
    std::vector<Line> lines;
    // Open addressing over the key lines: slot = line + 1, 0 free. Only the first line of each
    // key is entered, so a lookup finds the key that reads see in one probe or a few.
    std::vector<std::uint32_t> table;
    std::size_t keyCount = 0;
    bool first = false;  // the section of this name that reads see

    void Reindex() {
        keyCount = 0;
        for (const Line& line : lines) keyCount += line.isKey;
        std::size_t size = 8;
        while (size < 2 * keyCount) size *= 2;
        table.assign(keyCount ? size : 0, 0);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Line& line = lines[i];
            if (!line.isKey) continue;
            line.hash = static_cast<std::uint32_t>(NameHash()(line.key()));
            line.shadowed = !Enter(static_cast<std::uint32_t>(i));
        }
    }
    // Enters key line i unless its key is there already (false then).
    bool Enter(std::uint32_t i) {
        const Line& line = lines[i];
        const std::size_t mask = table.size() - 1;
        for (std::size_t slot = line.hash & mask;; slot = (slot + 1) & mask) {
            if (table[slot] == 0) {
                table[slot] = i + 1;
                return true;
            }
            const Line& other = lines[table[slot] - 1];
            if (other.hash == line.hash && SameTextUtf8(other.key(), line.key())) return false;
        }
    }
    // A key line added after the others: entered, the table grown when it fills.
    void Add(std::uint32_t i) {
        ++keyCount;
        lines[i].hash = static_cast<std::uint32_t>(NameHash()(lines[i].key()));
        if (2 * keyCount > table.size()) Reindex();
        else lines[i].shadowed = !Enter(i);
    }
    // The line of the first key of that name, or -1.
    std::ptrdiff_t Find(std::string_view key) const {
        if (table.empty()) return -1;
        const auto h = static_cast<std::uint32_t>(NameHash()(key));
        const std::size_t mask = table.size() - 1;
        for (std::size_t slot = h & mask; table[slot] != 0; slot = (slot + 1) & mask) {
            const Line& line = lines[table[slot] - 1];
            if (line.hash == h && SameTextUtf8(line.key(), key)) return table[slot] - 1;
        }
        return -1;
    }
};

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);  // empty, but still inside s
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool HasBreak(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; });
}

enum class Kind { Other, Header, Key };

// The kind of a line; a header's name goes to name, a key line's parts to key and value.
Kind Classify(std::string_view raw, std::string_view& name, std::string_view& key,
              std::string_view& value) {
    std::string_view t = Trim(raw);
    if (t.empty() || t.front() == ';') return Kind::Other;
    if (t.front() == '[') {
        std::size_t close = t.rfind(']');
        if (close != std::string_view::npos) {
            name = Trim(t.substr(1, close - 1));
            return Kind::Header;
        }
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return Kind::Other;
    key = Trim(t.substr(0, eq));
    if (key.empty()) return Kind::Other;
    value = Unquote(Trim(t.substr(eq + 1)));
    return Kind::Key;
}

std::uint32_t Offset(std::string_view whole, std::string_view part) {
    return static_cast<std::uint32_t>(part.data() - whole.data());
}

fs::path PathOf(const std::string& utf8) {
#ifdef _WIN32
    std::u16string w = Utf8ToUtf16(utf8);
    return fs::path(std::wstring(w.begin(), w.end()));
#else
    return fs::path(utf8);
#endif
}


}  // namespace

void IniStore::Line::Set(std::string text) {
    own = std::make_unique<std::string>(std::move(text));
    loaded = {};
    std::string_view r(*own), name, key, value;
    isKey = Classify(r, name, key, value) == Kind::Key;
    if (isKey) {
        keyPos = Offset(r, key);
        keyLen = static_cast<std::uint32_t>(key.size());
        valuePos = Offset(r, value);
        valueLen = static_cast<std::uint32_t>(value.size());
    }
}

std::size_t IniStore::NameHash::operator()(std::string_view name) const {
    // Names equal without case must hash alike. ASCII names, nearly all of them, are lowered and
    // mixed eight bytes at a time; a name with other characters is hashed from its folded copy.
    constexpr std::uint64_t kHigh = 0x8080808080808080ull, kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kPrime = 0x100000001B3ull;
    std::uint64_t h = 1469598103934665603ull ^ name.size();
    auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * kPrime;
        h ^= h >> 29;
    };
    std::size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, name.data() + i, 8);
        if (w & kHigh) break;
        // 0x80 in each byte that is 'A'..'Z', moved down to the 0x20 that lowers it.
        const std::uint64_t upper = ((w + kOnes * (0x80 - 'A')) ^ (w + kOnes * (0x80 - 'Z' - 1))) & kHigh;
        mix(w | (upper >> 2));
    }
    std::uint64_t tail = 0;
    int shift = 0;
    for (; i < name.size(); ++i, shift += 8) {
        auto b = static_cast<unsigned char>(name[i]);
        if (b >= 0x80) {
            const std::string folded = FoldCaseUtf8(name);
            h = 1469598103934665603ull ^ 0x5bd1e995u;
            for (unsigned char f : folded) mix(f);
            return static_cast<std::size_t>(h);
        }
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
        if (shift == 64) {
            mix(tail);
            tail = 0;
            shift = 0;
        }
        tail |= std::uint64_t(b) << shift;
    }
    mix(tail);
    return static_cast<std::size_t>(h);
}

bool IniStore::NameEqual::operator()(std::string_view a, std::string_view b) const {
    return SameTextUtf8(a, b);
}

IniStore::IniStore() = default;
IniStore::IniStore(const std::string& fileName) {
    LoadFromFile(fileName);
}
IniStore::~IniStore() = default;
IniStore::IniStore(IniStore&&) noexcept = default;
IniStore& IniStore::operator=(IniStore&&) noexcept = default;

void IniStore::Clear() {
    preamble_.clear();
    sections_.clear();
    index_.clear();
    text_.reset();
    utf8_ = false;
}

void IniStore::LoadFromText(std::string_view bytes) {
    Clear();
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16);
    if (bytes.substr(0, kBom.size()) == kBom) {
        utf8_ = true;
        bytes.remove_prefix(kBom.size());
        // Invalid sequences become U+FFFD rather than reaching the callers.
        text = Utf16ToUtf8(Utf8ToUtf16(bytes));
    } else {
        text = Win1252ToUtf8(bytes);
    }
    text_ = std::make_unique<const std::string>(std::move(text));
    std::string_view all(*text_);
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = pos;
        while (end < all.size() && all[end] != '\r' && all[end] != '\n') ++end;
        std::string_view raw = all.substr(pos, end - pos);
        pos = end;
        if (pos < all.size()) {
            if (all[pos] == '\r' && pos + 1 < all.size() && all[pos + 1] == '\n') ++pos;
            ++pos;  // CR LF, LF or CR
        }

        std::string_view name, key, value;
        Kind kind = Classify(raw, name, key, value);
        if (kind == Kind::Header) {
            if (current) current->Reindex();
            auto section = std::make_unique<Section>();
            section->name.assign(name);
            section->header.loaded = raw;
            section->first = index_.emplace(section->name, section.get()).second;
            current = section.get();
            sections_.push_back(std::move(section));
            continue;
        }
        if (!current) {
            preamble_.emplace_back(raw);
            continue;
        }
        Line& line = current->lines.emplace_back();
        line.loaded = raw;
        if (kind == Kind::Key && current->first) {
            line.isKey = true;
            line.keyPos = Offset(raw, key);
            line.keyLen = static_cast<std::uint32_t>(key.size());
            line.valuePos = Offset(raw, value);
            line.valueLen = static_cast<std::uint32_t>(value.size());
        }
    }
    if (current) current->Reindex();
    modified_ = false;
}

void IniStore::LoadFromFile(const std::string& fileName) {
    fileName_ = fileName;
    fs::path path = PathOf(fileName);
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        Clear();
        modified_ = false;
        return;
    }
    if (!fs::is_regular_file(path, ec)) throw Error("\"" + fileName + "\" is no file");
#ifdef _WIN32
    SetLastError(ERROR_SUCCESS);
#endif
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        // With the system's reason: the user must tell a file held by another program from a
        // missing right.
        std::string reason = errno ? std::strerror(errno) : "";
#ifdef _WIN32
        if (const DWORD error = GetLastError(); error != ERROR_SUCCESS)
            reason = std::system_category().message(static_cast<int>(error));
#endif
        throw Error("Cannot open \"" + fileName + "\"" + (reason.empty() ? "" : ". " + reason));
    }
    // Read whole, in one piece (a site database runs to megabytes).
    const std::uintmax_t size = fs::file_size(path, ec);
    std::string bytes(ec ? 0 : static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    // A file that changed size meanwhile is read to its end.
    char chunk[4096];
    while (!in.bad() && !in.eof()) {
        in.read(chunk, sizeof chunk);
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) throw Error("Cannot read \"" + fileName + "\"");
    LoadFromText(bytes);
}

std::string IniStore::SaveToText() const {
    std::string text;
    auto put = [&text](std::string_view line) {
        text.append(line);
        text += "\r\n";
    };
    for (const std::string& line : preamble_) put(line);
    for (const auto& section : sections_) {
        put(section->header.raw());
        for (const Line& line : section->lines) put(line.raw());
    }
    if (utf8_) return std::string(kBom) + text;
    return Utf8ToWin1252(text);
}

void IniStore::SaveToFile(const std::string& fileName) const {
    const std::string text = SaveToText();
    WriteFileAtomically(fileName, std::vector<std::uint8_t>(text.begin(), text.end()));
    if (fileName == fileName_) modified_ = false;
}

void IniStore::UpdateFile() const {
    if (fileName_.empty()) throw Error("The INI store has no file name");
    SaveToFile(fileName_);
}

IniStore::Section* IniStore::FindSection(std::string_view section) const {
    auto it = index_.find(Trim(section));
    return it == index_.end() ? nullptr : it->second;
}

const IniStore::Line* IniStore::FindKey(std::string_view section, std::string_view key) const {
    Section* s = FindSection(section);
    if (!s) return nullptr;
    std::ptrdiff_t line = s->Find(Trim(key));
    return line < 0 ? nullptr : &s->lines[static_cast<std::size_t>(line)];
}

std::string IniStore::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const Line* line = FindKey(section, key);
    return std::string(line ? line->value() : defaultValue);
}

const IniStore::Section* IniStore::FindSectionForReading(std::string_view section) const {
    return FindSection(section);
}

std::string IniStore::ReadString(const Section* section, std::string_view key,
                                 std::string_view defaultValue) const {
    if (!section) return std::string(defaultValue);
    std::ptrdiff_t line = section->Find(Trim(key));
    return std::string(line < 0 ? defaultValue
                                : section->lines[static_cast<std::size_t>(line)].value());
}

int IniStore::ReadInteger(std::string_view section, std::string_view key,
                          int defaultValue) const {
    const Line* line = FindKey(section, key);
    if (!line) return defaultValue;
    auto v = ParseInteger(line->value(), {.hexadecimal = true, .plusSign = true});
    return v ? static_cast<int>(*v) : defaultValue;
}

bool IniStore::ReadBool(std::string_view section, std::string_view key,
                        bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double IniStore::ReadFloat(std::string_view section, std::string_view key,
                           double defaultValue) const {
    const Line* line = FindKey(section, key);
    if (!line || line->value().empty()) return defaultValue;
    std::string_view t = line->value();
    if (t[0] == '+') t.remove_prefix(1);
    double v;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
        return defaultValue;
    return v;
}

void IniStore::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
    std::string_view name = Trim(section);
    std::string_view k = Trim(key);
    auto refuse = [&](std::string_view why) {
        return Error("The key \"" + std::string(key) + "\" of [" + std::string(section) + "] " +
                     std::string(why));
    };
    if (HasBreak(name)) throw refuse("has a section name with a line break");
    if (HasBreak(k)) throw refuse("holds a line break");
    if (HasBreak(value)) throw refuse("cannot take a value with a line break");
    if (k.empty() || k.find('=') != std::string_view::npos || k.front() == '[' ||
        k.front() == ';')
        throw refuse("cannot be written as a key");

    Section* s = FindSection(name);
    if (!s) {
        // A blank line between the last section and the new one.
        std::string_view lastLine;
        bool any = false;
        if (!sections_.empty()) {
            const Section& last = *sections_.back();
            lastLine = last.lines.empty() ? last.header.raw() : last.lines.back().raw();
            any = true;
        } else if (!preamble_.empty()) {
            lastLine = preamble_.back();
            any = true;
        }
        if (any && !Trim(lastLine).empty()) {
            if (!sections_.empty()) sections_.back()->lines.emplace_back();
            else preamble_.emplace_back();
        }
        auto fresh = std::make_unique<Section>();
        fresh->name.assign(name);
        fresh->header.Set("[" + fresh->name + "]");
        fresh->first = true;
        s = fresh.get();
        index_.emplace(fresh->name, s);
        sections_.push_back(std::move(fresh));
    }
    std::ptrdiff_t found = s->Find(k);
    if (found >= 0) {
        // In place, with the key spelled as in the file.
        Line& line = s->lines[static_cast<std::size_t>(found)];
        line.Set(std::string(line.key()) + "=" + std::string(value));
    } else {
        std::size_t at = 0;
        for (std::size_t i = s->lines.size(); i > 0; --i)
            if (s->lines[i - 1].isKey) {
                at = i;
                break;
            }
        Line line;
        line.Set(std::string(k) + "=" + std::string(value));
        s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
        // Only lines that are no keys follow, so no entered line moved.
        s->Add(static_cast<std::uint32_t>(at));
    }
    modified_ = true;
}

void IniStore::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniStore::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniStore::WriteFloat(std::string_view section, std::string_view key, double value) {
    if (!std::isfinite(value)) throw Error("Cannot store a number that is not finite");
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    WriteString(section, key, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

std::vector<std::string> IniStore::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    ForEachKey(section, [&keys](std::string_view key) { keys.emplace_back(key); });
    return keys;
}

void IniStore::ForEachKey(std::string_view section,
                          const std::function<void(std::string_view key)>& each) const {
    Section* s = FindSection(section);
    if (!s) return;
    for (const Line& line : s->lines)
        if (line.isKey && !line.shadowed) each(line.key());
}

std::vector<std::string> IniStore::ReadSections() const {
    std::vector<std::string> names;
    for (const auto& s : sections_)
        if (s->first) names.push_back(s->name);
    return names;
}

StringList IniStore::ReadSectionValues(std::string_view section) const {
    StringList list;
    Section* s = FindSection(section);
    if (!s) return list;
    for (const Line& line : s->lines)
        if (line.isKey && !line.shadowed) list.Add(std::string(line.key()) + "=" + std::string(line.value()));
    return list;
}

bool IniStore::SectionExists(std::string_view section) const {
    Section* s = FindSection(section);
    return s && s->keyCount > 0;
}

bool IniStore::ValueExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != nullptr;
}

void IniStore::EraseSection(std::string_view section) {
    std::string name(Trim(section));
    auto it = index_.find(name);
    if (it == index_.end()) return;
    index_.erase(it);
    std::erase_if(sections_, [&name](const std::unique_ptr<Section>& s) {
        return SameTextUtf8(s->name, name);
    });
    modified_ = true;
}

void IniStore::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return;
    std::string k(Trim(key));
    if (s->Find(k) < 0) return;
    std::erase_if(s->lines, [&k](const Line& line) {
        return line.isKey && SameTextUtf8(line.key(), k);
    });
    s->Reindex();
    modified_ = true;
}

// --- SharedIniFile

namespace {

// The files' stores by the file's absolute path (without case on Windows, as the file system).
struct SharedIniRegistry {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<SharedIniFile>> files;
};

SharedIniRegistry& Registry() {
    static SharedIniRegistry* registry = new SharedIniRegistry;  // outlives every store
    return *registry;
}

std::string RegistryKey(const std::string& fileName) {
    std::error_code ec;
    fs::path path = PathOf(fileName);
    fs::path full = fs::absolute(path, ec);
    if (ec) full = path;
#ifdef _WIN32
    std::wstring w = full.lexically_normal().wstring();
    std::replace(w.begin(), w.end(), L'/', L'\\');
    return FoldCaseUtf8(Utf16ToUtf8(std::u16string(w.begin(), w.end())));
#else
    return full.lexically_normal().string();
#endif
}

}  // namespace

std::shared_ptr<SharedIniFile> SharedIniFile::Open(const std::string& fileName) {
    if (fileName.empty()) return std::shared_ptr<SharedIniFile>(new SharedIniFile(fileName));
    const std::string key = RegistryKey(fileName);
    SharedIniRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    std::weak_ptr<SharedIniFile>& slot = registry.files[key];
    if (auto existing = slot.lock()) return existing;
    std::shared_ptr<SharedIniFile> created(new SharedIniFile(fileName));
    slot = created;
    return created;
}

SharedIniFile::SharedIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

SharedIniFile::~SharedIniFile() {
    if (fileName_.empty()) return;
    SharedIniRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.files.find(RegistryKey(fileName_));
    if (it != registry.files.end() && it->second.expired()) registry.files.erase(it);
}

void SharedIniFile::BeginPass() {
    mutex_.lock();
    if (depth_ > 0) {
        ++depth_;
        return;
    }
    try {
        if (fileName_.empty()) store_.LoadFromText({});
        else store_.LoadFromFile(fileName_);
    } catch (...) {
        mutex_.unlock();
        throw;
    }
    refused_.clear();
    depth_ = 1;
}

void SharedIniFile::EndPass(bool keep) {
    if (depth_ == 0) throw Error("No pass is open on \"" + fileName_ + "\"");
    struct Unlock {
        std::recursive_mutex& m;
        ~Unlock() { m.unlock(); }
    } unlock{mutex_};
    if (--depth_ > 0) return;
    std::vector<std::string> refused = std::move(refused_);
    refused_.clear();
    if (!keep) {
        // The next pass reads the file again; nothing of this one stays.
        store_.LoadFromText({});
        return;
    }
    if (store_.Modified()) {
        if (fileName_.empty()) throw Error("There is no file to keep the settings in");
        store_.SaveToFile(fileName_);
    }
    if (!refused.empty()) {
        std::string text = "Not written to \"" + fileName_ + "\": ";
        for (std::size_t i = 0; i < refused.size(); ++i) text += (i ? "; " : "") + refused[i];
        throw Error(text);
    }
}

void SharedIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (depth_ == 0) throw Error("No pass is open on \"" + fileName_ + "\"");
    try {
        store_.WriteString(section, key, value);
    } catch (const Error& e) {
        refused_.push_back(e.what());
    }
}

void SharedIniFile::EraseSection(std::string_view section) {
    if (depth_ == 0) throw Error("No pass is open on \"" + fileName_ + "\"");
    store_.EraseSection(section);
}

void SharedIniFile::DeleteKey(std::string_view section, std::string_view key) {
    if (depth_ == 0) throw Error("No pass is open on \"" + fileName_ + "\"");
    store_.DeleteKey(section, key);
}

}  // namespace lark::core
