#include "core/string_list.h"

#include <algorithm>

#include "core/errors.h"
#include "core/text_encoding.h"

namespace lark::core {

namespace {

// Holds the change notice back until the outermost operation is complete, also on failure.
class UpdateScope {
public:
    explicit UpdateScope(StringList& list) : list_(list) { list_.BeginUpdate(); }
    ~UpdateScope() {
        try {
            list_.EndUpdate();
        } catch (...) {
        }
    }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    StringList& list_;
};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

StringList::StringList(std::initializer_list<std::string_view> items) {
    for (std::string_view s : items) items_.push_back({std::string(s), nullptr});
}

StringList::StringList(const StringList& other)
    : items_(other.items_),
      sorted_(other.sorted_),
      duplicates_(other.duplicates_),
      caseSensitive_(other.caseSensitive_),
      delimiter_(other.delimiter_),
      quoteChar_(other.quoteChar_),
      strictDelimiter_(other.strictDelimiter_) {}

StringList& StringList::operator=(const StringList& other) {
    if (this != &other) *this = StringList(other);
    return *this;
}

StringList& StringList::operator=(StringList&& other) {
    if (this != &other) {
        items_ = std::move(other.items_);
        sorted_ = other.sorted_;
        duplicates_ = other.duplicates_;
        caseSensitive_ = other.caseSensitive_;
        delimiter_ = other.delimiter_;
        quoteChar_ = other.quoteChar_;
        strictDelimiter_ = other.strictDelimiter_;
        Changed();
    }
    return *this;
}

void StringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw Error("List index out of bounds (" + std::to_string(index) + ")");
}

void StringList::CheckUnsorted(const char* what) const {
    if (sorted_) throw Error(std::string(what) + " is not allowed on a sorted list");
}

void StringList::Changed() {
    if (updateCount_ > 0) {
        pendingChange_ = true;
        return;
    }
    pendingChange_ = false;
    if (OnChange) OnChange();
}

void StringList::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0 && pendingChange_) Changed();
}

const std::string& StringList::Strings(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].text;
}

void StringList::SetStrings(int index, std::string value) {
    CheckUnsorted("Changing a string");
    CheckIndex(index);
    items_[static_cast<std::size_t>(index)].text = std::move(value);
    Changed();
}

void* StringList::Objects(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].object;
}

void StringList::SetObjects(int index, void* object) {
    CheckIndex(index);
    items_[static_cast<std::size_t>(index)].object = object;
    Changed();
}

int StringList::Compare(std::string_view a, std::string_view b) const {
    if (caseSensitive_) {
        int r = a.compare(b);
        return (r > 0) - (r < 0);
    }
    return CompareTextUtf8(a, b);
}

bool StringList::Find(std::string_view value, int& index) const {
    if (!sorted_) {
        index = IndexOf(value);
        if (index >= 0) return true;
        index = Count();
        return false;
    }
    auto it = std::lower_bound(items_.begin(), items_.end(), value,
                               [this](const Item& item, std::string_view v) {
                                   return Compare(item.text, v) < 0;
                               });
    index = static_cast<int>(it - items_.begin());
    return it != items_.end() && Compare(it->text, value) == 0;
}

int StringList::IndexOf(std::string_view value) const {
    if (sorted_) {
        int index;
        return Find(value, index) ? index : -1;
    }
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (Compare(items_[i].text, value) == 0) return static_cast<int>(i);
    return -1;
}

int StringList::IndexOfObject(const void* object) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].object == object) return static_cast<int>(i);
    return -1;
}

int StringList::Add(std::string value, void* object) {
    int index = Count();
    if (sorted_) {
        if (Find(value, index)) {
            if (duplicates_ == Duplicates::Ignore) return index;
            if (duplicates_ == Duplicates::Error)
                throw Error("String list does not allow duplicates");
        }
    }
    items_.insert(items_.begin() + index, Item{std::move(value), object});
    Changed();
    return index;
}

void StringList::AddStrings(const StringList& other) {
    if (&other == this) {
        StringList copy(other);
        AddStrings(copy);
        return;
    }
    UpdateScope scope(*this);
    for (const Item& item : other.items_) Add(item.text, item.object);
}

void StringList::Insert(int index, std::string value, void* object) {
    CheckUnsorted("Insert");
    if (index < 0 || index > Count())
        throw Error("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, Item{std::move(value), object});
    Changed();
}

void StringList::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
    Changed();
}

void StringList::Exchange(int a, int b) {
    CheckUnsorted("Exchange");
    CheckIndex(a);
    CheckIndex(b);
    std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
    Changed();
}

void StringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void StringList::Assign(const StringList& other) {
    if (&other == this) return;
    UpdateScope scope(*this);
    Clear();
    AddStrings(other);
}

void StringList::SortItems() {
    std::stable_sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
        return Compare(a.text, b.text) < 0;
    });
}

void StringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (sorted_) {
        SortItems();
        Changed();
    }
}

void StringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) {
        SortItems();
        Changed();
    }
}

void StringList::Sort() {
    SortItems();
    Changed();
}

void StringList::Sort(const std::function<int(std::string_view, std::string_view)>& compare) {
    CheckUnsorted("Sorting by another order");
    std::stable_sort(items_.begin(), items_.end(), [&compare](const Item& a, const Item& b) {
        return compare(a.text, b.text) < 0;
    });
    Changed();
}

std::string StringList::Text() const {
    std::string out;
    std::size_t size = 0;
    for (const Item& item : items_) size += item.text.size() + 2;
    out.reserve(size);
    for (const Item& item : items_) {
        out += item.text;
        out += "\r\n";
    }
    return out;
}

void StringList::SetText(std::string_view text) {
    UpdateScope scope(*this);
    Clear();
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = text.size();
        Add(std::string(text.substr(i, end - i)));
        i = end;
        if (i < text.size() && text[i] == '\r') {
            ++i;
            if (i < text.size() && text[i] == '\n') ++i;  // CR LF is one break
        } else if (i < text.size()) {
            ++i;  // LF
        }
    }
}

std::string StringList::Delimited(char delimiter, char quote, bool strict) const {
    if (items_.size() == 1 && items_[0].text.empty()) return std::string(2, quote);
    std::string out;
    bool first = true;
    for (const Item& item : items_) {
        if (!first) out += delimiter;
        first = false;
        const std::string& s = item.text;
        bool needsQuotes = std::any_of(s.begin(), s.end(), [&](char c) {
            return c == quote || c == delimiter || (!strict && IsBlank(c));
        });
        if (!needsQuotes) {
            out += s;
            continue;
        }
        out += quote;
        for (char c : s) {
            if (c == quote) out += quote;
            out += c;
        }
        out += quote;
    }
    return out;
}

void StringList::SetDelimited(std::string_view text, char delimiter, char quote, bool strict) {
    UpdateScope scope(*this);
    Clear();
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        if (!strict)
            while (p < n && IsBlank(text[p])) ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string item;
        if (text[p] == quote) {
            ++p;
            while (p < n) {
                if (text[p] == quote) {
                    if (p + 1 < n && text[p + 1] == quote) {
                        item += quote;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            std::size_t start = p;
            while (p < n && text[p] != delimiter && (strict || !IsBlank(text[p]))) ++p;
            item.assign(text.substr(start, p - start));
        }
        Add(std::move(item));
        skipBlanks();
        if (p < n && text[p] == delimiter) {
            ++p;
            if (p == n) Add(std::string());
            skipBlanks();
        }
    }
}

std::string StringList::DelimitedText() const {
    return Delimited(delimiter_, quoteChar_, strictDelimiter_);
}

void StringList::SetDelimitedText(std::string_view text) {
    SetDelimited(text, delimiter_, quoteChar_, strictDelimiter_);
}

std::string StringList::CommaText() const {
    return Delimited(',', '"', false);
}

void StringList::SetCommaText(std::string_view text) {
    SetDelimited(text, ',', '"', false);
}

std::string StringList::Names(int index) const {
    const std::string& s = Strings(index);
    std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string StringList::ValueFromIndex(int index) const {
    const std::string& s = Strings(index);
    std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int StringList::IndexOfName(std::string_view name) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        std::string_view s = items_[i].text;
        std::size_t eq = s.find('=');
        if (eq != std::string_view::npos && Compare(s.substr(0, eq), name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::string StringList::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void StringList::SetValues(std::string_view name, std::string_view value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line(name);
    line += '=';
    line.append(value);
    if (i < 0) {
        Add(std::move(line));
    } else if (sorted_) {
        UpdateScope scope(*this);
        Delete(i);
        Add(std::move(line));
    } else {
        SetStrings(i, std::move(line));
    }
}

}  // namespace lark::core
