#include "core/string_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/errors.h"

using namespace lark::core;

namespace {

std::vector<std::string> Items(const StringList& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l.Strings(i));
    return v;
}

using V = std::vector<std::string>;

TEST(StringList, SortedAddFollowsTheDuplicatesPolicy) {
    StringList l;
    l.SetSorted(true);
    int a = 1, b = 2;
    EXPECT_EQ(l.Add("pear"), 0);
    EXPECT_EQ(l.Add("Apple", &a), 0);
    EXPECT_EQ(l.Add("banana"), 1);
    EXPECT_EQ(l.Add("APPLE", &b), 0);  // Ignore: the equal one's index, nothing added
    EXPECT_EQ(Items(l), (V{"Apple", "banana", "pear"}));
    EXPECT_EQ(l.Objects(0), &a);

    l.SetDuplicates(Duplicates::Accept);
    EXPECT_EQ(l.Add("APPLE", &b), 0);  // before the equal ones, so a lookup finds it first
    EXPECT_EQ(Items(l), (V{"APPLE", "Apple", "banana", "pear"}));
    EXPECT_EQ(l.IndexOf("apple"), 0);
    EXPECT_EQ(l.Objects(l.IndexOf("apple")), &b);

    l.SetDuplicates(Duplicates::Error);
    EXPECT_THROW(l.Add("Pear"), Error);
    EXPECT_EQ(l.Count(), 4);

    int index = -1;
    EXPECT_FALSE(l.Find("cherry", index));
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(l.Find("BANANA", index));
    EXPECT_EQ(index, 2);
    EXPECT_THROW(l.Insert(0, "x"), Error);
    EXPECT_THROW(l.SetStrings(0, "x"), Error);
    EXPECT_THROW(l.Exchange(0, 1), Error);
}

TEST(StringList, CaseSensitivityAndCustomSort) {
    StringList l{"b", "B", "a", "A"};
    EXPECT_EQ(l.IndexOf("B"), 0);
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("B"), 1);
    EXPECT_EQ(l.IndexOf("c"), -1);
    l.SetSorted(true);
    EXPECT_EQ(Items(l), (V{"A", "B", "a", "b"}));
    l.SetCaseSensitive(false);  // re-sorts, stable among equals
    EXPECT_EQ(Items(l), (V{"A", "a", "B", "b"}));
    EXPECT_THROW(l.Sort([](std::string_view, std::string_view) { return 0; }), Error);

    StringList u{"10", "9", "100"};
    u.Sort([](std::string_view x, std::string_view y) {
        return static_cast<int>(x.size()) - static_cast<int>(y.size());
    });
    EXPECT_EQ(Items(u), (V{"9", "10", "100"}));
    StringList german{"Zebra", "äpfel", "Apfel"};
    german.Sort();
    EXPECT_EQ(Items(german), (V{"Apfel", "Zebra", "äpfel"}));
}

TEST(StringList, EditingAndBounds) {
    StringList l{"a", "b", "c"};
    l.Insert(1, "x");
    l.Insert(4, "end");
    l.Delete(0);
    l.Exchange(0, 1);
    EXPECT_EQ(Items(l), (V{"b", "x", "c", "end"}));
    int tag = 0;
    l.SetObjects(2, &tag);
    EXPECT_EQ(l.IndexOfObject(&tag), 2);
    for (int bad : {-1, 4}) {
        EXPECT_THROW(l.Strings(bad), Error);
        EXPECT_THROW(l.Delete(bad), Error);
        EXPECT_THROW(l.Objects(bad), Error);
    }
    EXPECT_THROW(l.Insert(5, "y"), Error);

    StringList sorted;
    sorted.SetSorted(true);
    sorted.Assign(StringList{"z", "y", "z"});
    EXPECT_EQ(Items(sorted), (V{"y", "z"}));
    StringList copy = sorted;
    copy.Add("a");
    EXPECT_EQ(Items(copy), (V{"a", "y", "z"}));
    l.AddStrings(l);
    EXPECT_EQ(l.Count(), 8);
}

TEST(StringList, TextSplitsEveryKindOfLineBreak) {
    struct { const char* text; V items; } cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\ntwo\rthree\r\n\r\nfive", {"one", "two", "three", "", "five"}},
        {"a\n\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\n\r", {"", ""}},
        {"x\r\r\n", {"x", ""}},
    };
    for (const auto& c : cases) {
        StringList l;
        l.SetText(c.text);
        EXPECT_EQ(Items(l), c.items) << c.text;
        StringList back;
        back.SetText(l.Text());
        EXPECT_EQ(Items(back), c.items) << c.text;
    }
    EXPECT_EQ((StringList{"a", ""}).Text(), "a\r\n\r\n");
}

TEST(StringList, CommaTextQuotingAndParsing) {
    struct { V items; const char* comma; } out[] = {
        {{"a", "b"}, "a,b"},
        {{"two words", "x"}, "\"two words\",x"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"a,b"}, "\"a,b\""},
        {{""}, "\"\""},
        {{"a", "", "b"}, "a,,b"},
        {{"tab\there"}, "\"tab\there\""},
        {{"Grüße"}, "Grüße"},
        {{}, ""},
    };
    for (const auto& c : out) {
        StringList l;
        for (const auto& s : c.items) l.Add(s);
        EXPECT_EQ(l.CommaText(), c.comma);
        StringList back;
        back.SetCommaText(l.CommaText());
        EXPECT_EQ(Items(back), c.items) << c.comma;
    }
    struct { const char* text; V items; } in[] = {
        {"Mar,5 12:34", {"Mar", "5", "12:34"}},
        {"Jan 10,2003", {"Jan", "10", "2003"}},
        {"  a   b  ", {"a", "b"}},
        {"a, b ,c", {"a", "b", "c"}},
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {"\"unterminated", {"unterminated"}},
        {"\"ab\"cd", {"ab", "cd"}},
        {"\"x, y\" , z", {"x, y", "z"}},
    };
    for (const auto& c : in) {
        StringList l;
        l.SetCommaText(c.text);
        EXPECT_EQ(Items(l), c.items) << c.text;
    }
}

TEST(StringList, DelimitedTextWithOtherCharacters) {
    StringList l;
    l.SetDelimiter(';');
    l.SetQuoteChar('\'');
    l.SetDelimitedText("a b;'c;d';'it''s'");
    EXPECT_EQ(Items(l), (V{"a", "b", "c;d", "it's"}));
    EXPECT_EQ(l.DelimitedText(), "a;b;'c;d';'it''s'");
    EXPECT_EQ(l.CommaText(), "a,b,c;d,it's");
    l.SetStrictDelimiter(true);
    l.SetDelimitedText(" a b ;;c");
    EXPECT_EQ(Items(l), (V{" a b ", "", "c"}));
    EXPECT_EQ(l.DelimitedText(), " a b ;;c");
}

TEST(StringList, NamesAndValues) {
    StringList l{"Host=example.org", "Port=21", "plain", "Path=/a=b"};
    EXPECT_EQ(l.Names(0), "Host");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.ValueFromIndex(3), "/a=b");
    EXPECT_EQ(l.ValueFromIndex(2), "");
    EXPECT_EQ(l.IndexOfName("PORT"), 1);
    EXPECT_EQ(l.IndexOfName("plain"), -1);
    EXPECT_EQ(l.Values("path"), "/a=b");
    EXPECT_EQ(l.Values("missing"), "");
    l.SetValues("port", "2121");
    EXPECT_EQ(l.Strings(1), "port=2121");
    l.SetValues("User", "anonymous");
    EXPECT_EQ(l.Strings(4), "User=anonymous");
    l.SetValues("Host", "");
    EXPECT_EQ(l.IndexOfName("Host"), -1);
    EXPECT_EQ(l.Count(), 4);

    StringList sorted;
    sorted.SetSorted(true);
    sorted.SetValues("b", "1");
    sorted.SetValues("a", "2");
    sorted.SetValues("b", "3");
    EXPECT_EQ(Items(sorted), (V{"a=2", "b=3"}));
}

TEST(StringList, ChangeNoticesAndUpdates) {
    StringList l;
    int changes = 0;
    l.OnChange = [&] { ++changes; };
    l.Add("a");
    l.Add("b");
    EXPECT_EQ(changes, 2);
    l.SetText("x\r\ny\r\nz");
    EXPECT_EQ(changes, 3);  // one notice for the whole text
    l.BeginUpdate();
    l.Delete(0);
    l.BeginUpdate();
    l.Add("w");
    l.EndUpdate();
    EXPECT_EQ(changes, 3);
    l.EndUpdate();
    EXPECT_EQ(changes, 4);
    l.BeginUpdate();
    l.EndUpdate();
    EXPECT_EQ(changes, 4);  // nothing changed, no notice
    l.SetDuplicates(Duplicates::Error);
    l.SetSorted(true);
    EXPECT_EQ(changes, 5);
    EXPECT_THROW(l.SetCommaText("a,a"), Error);
    EXPECT_EQ(changes, 6);  // the failed load still announces what it changed
    l.Add("q");
    EXPECT_EQ(changes, 7);  // and the update count is balanced again
    StringList copy(l);
    EXPECT_FALSE(copy.OnChange);
}

}  // namespace
