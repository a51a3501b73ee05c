#pragma once
// An ordered list of UTF-8 strings, each with an optional associated object pointer (not owned).
//
// Names are compared without case unless CaseSensitive is set (CompareTextUtf8; with case: by
// bytes). A sorted list keeps its order on every Add and answers Find and IndexOf by binary
// search; its Duplicates policy decides what Add does with a string that is already there
// (Accept inserts it before the equal ones). An unsorted list takes every string.
// Indexes out of range, and Insert, SetStrings, Exchange and custom sorting on a sorted list,
// throw Error.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lark::core {

enum class Duplicates { Ignore, Accept, Error };

class StringList {
public:
    StringList() = default;
    StringList(std::initializer_list<std::string_view> items);
    // Copies the strings, objects and settings; not OnChange. Assigning keeps the list's own
    // OnChange and calls it, so whoever watches a list sees lines that arrive this way too.
    StringList(const StringList& other);
    StringList& operator=(const StringList& other);
    StringList(StringList&&) = default;
    StringList& operator=(StringList&& other);

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& Strings(int index) const;
    void SetStrings(int index, std::string value);
    void* Objects(int index) const;
    void SetObjects(int index, void* object);

    // The index of the new string; with Duplicates::Ignore, that of the equal one.
    int Add(std::string value, void* object = nullptr);
    void AddStrings(const StringList& other);
    void Insert(int index, std::string value, void* object = nullptr);
    void Delete(int index);
    void Exchange(int a, int b);
    void Clear();
    // Replaces the strings and objects with those of other (this list's sorting applies).
    void Assign(const StringList& other);

    // The first equal string, or -1.
    int IndexOf(std::string_view value) const;
    int IndexOfObject(const void* object) const;
    // Whether an equal string exists; index is the first equal one, or where the value would
    // be inserted (sorted) or Count (unsorted).
    bool Find(std::string_view value, int& index) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);  // sorting on
    Duplicates GetDuplicates() const { return duplicates_; }
    void SetDuplicates(Duplicates policy) { duplicates_ = policy; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);
    void Sort();
    // A stable sort with a comparison answering below, equal to or above 0; unsorted lists only.
    void Sort(const std::function<int(std::string_view, std::string_view)>& compare);
    int Compare(std::string_view a, std::string_view b) const;

    // Every line followed by CR LF. Setting splits at CR LF, LF or CR; a final line break adds
    // no empty line.
    std::string Text() const;
    void SetText(std::string_view text);

    // Items separated by Delimiter; an item holding a blank or control character, QuoteChar or
    // Delimiter is quoted, its quotes doubled. A list of one empty item is two quotes.
    // Reading: items quoted or not, separated by Delimiter or (unless StrictDelimiter) blanks;
    // blanks around items are skipped unless StrictDelimiter.
    std::string DelimitedText() const;
    void SetDelimitedText(std::string_view text);
    // DelimitedText with "," and '"', whatever Delimiter and QuoteChar are.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);
    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char c) { delimiter_ = c; }
    char QuoteChar() const { return quoteChar_; }
    void SetQuoteChar(char c) { quoteChar_ = c; }
    bool StrictDelimiter() const { return strictDelimiter_; }
    void SetStrictDelimiter(bool strict) { strictDelimiter_ = strict; }

    // Lines of the form name=value (split at the first '=').
    std::string Names(int index) const;          // "" when the line has no '='
    std::string ValueFromIndex(int index) const;  // "" when the line has no '='
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    // Replaces or adds the line name=value; an empty value deletes the line.
    void SetValues(std::string_view name, std::string_view value);

    // Called after every change, once per outermost BeginUpdate/EndUpdate pair with changes.
    std::function<void()> OnChange;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

private:
    struct Item {
        std::string text;
        void* object = nullptr;
    };
    void Changed();
    void CheckIndex(int index) const;
    void CheckUnsorted(const char* what) const;
    void SortItems();
    std::string Delimited(char delimiter, char quote, bool strict) const;
    void SetDelimited(std::string_view text, char delimiter, char quote, bool strict);

    std::vector<Item> items_;
    bool sorted_ = false;
    Duplicates duplicates_ = Duplicates::Ignore;
    bool caseSensitive_ = false;
    char delimiter_ = ',';
    char quoteChar_ = '"';
    bool strictDelimiter_ = false;
    int updateCount_ = 0;
    bool pendingChange_ = false;
};

}  // namespace lark::core
