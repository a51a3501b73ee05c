#include "storage/props_storage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/collection.h"
#include "core/ini_store.h"
#include "core/published.h"
#include "core/strings_object.h"
#include "storage/form_storage.h"

using namespace lark;
using namespace lark::core;
using lark::storage::TFormStorage;
using lark::storage::TPropsStorage;

namespace {

const TypeInfo& ColourType() {
    static auto t = MakeEnumType("TColour", {"clRed", "clGreen", "clBlue"});
    return *t;
}
const TypeInfo& ColoursType() {
    static auto t = MakeSetType("TColours", ColourType());
    return *t;
}
const TypeInfo& SingleType() {
    static const TypeInfo t = [] {
        TypeInfo s = DoubleType();
        s.name = "Single";
        s.floatType = FloatType::Single;
        return s;
    }();
    return t;
}

class Leaf : public CollectionItem {
    LARK_PERSISTENT_CLASS(Leaf)
public:
    std::string name = "leaf";
    int size = 7;
};
LARK_DEFINE_CLASS(Leaf) {
    return ClassBuilder<Leaf>("TLeaf", &CollectionItem::StaticClass())
        .Field("Name", StringType(), &Leaf::name)
        .Field("Size", IntegerType(), &Leaf::size)
        .Build();
}

// An item that holds a collection of its own, for nesting to any depth.
class Node : public CollectionItem {
    LARK_PERSISTENT_CLASS(Node)
public:
    Node() : kids(Node::StaticClass(), this) {}
    std::string caption = "new";
    bool open = true;
    Collection kids;
    Collection* Kids() { return &kids; }
};
LARK_DEFINE_CLASS(Node) {
    return ClassBuilder<Node>("TNode", &CollectionItem::StaticClass())
        .Field("Caption", StringType(), &Node::caption)
        .Object("Kids", ClassTypeOf<Collection>(), &Node::Kids)
        .Field("Open", BooleanType(), &Node::open)
        .Build();
}

class Font : public Persistent {
    LARK_PERSISTENT_CLASS(Font)
public:
    int height = 12;
    std::string face = "Tahoma";
};
LARK_DEFINE_CLASS(Font) {
    return ClassBuilder<Font>("TFont", nullptr)
        .Field("Face", StringType(), &Font::face)
        .Field("Height", IntegerType(), &Font::height)
        .Build();
}

class Sample : public Component {
    LARK_PERSISTENT_CLASS(Sample)
public:
    explicit Sample(Component* owner = nullptr) : Component(owner), nodes(Node::StaticClass(), this) {}
    int count = 0;
    int small = 0;  // a byte
    std::int64_t big = 0;
    int letter = 'a';
    bool flag = false;
    int colour = 0;
    SetValue colours;
    double ratio = 0;
    double single = 0;
    std::string text;
    std::string wide = "not stored";
    std::string onClick;
    Value any;
    Component* link = nullptr;
    Font font;
    StringsObject lines;
    Collection nodes;
    Font* GetFont() { return &font; }
    StringsObject* Lines() { return &lines; }
    Collection* Nodes() { return &nodes; }
};
LARK_DEFINE_CLASS(Sample) {
    return ClassBuilder<Sample>("TSample", &Component::StaticClass())
        .Field("Count", IntegerType(), &Sample::count)
        .Field("Small", ByteType(), &Sample::small)
        .Field("Big", Int64Type(), &Sample::big)
        .Field("Letter", CharType(), &Sample::letter)
        .Field("Flag", BooleanType(), &Sample::flag)
        .Field("Colour", ColourType(), &Sample::colour)
        .Field("Colours", ColoursType(), &Sample::colours)
        .Field("Ratio", DoubleType(), &Sample::ratio)
        .Field("Single", SingleType(), &Sample::single)
        .Field("Text", StringType(), &Sample::text)
        .Field("Wide", WideStringType(), &Sample::wide)
        .Field("OnClick", MethodType(), &Sample::onClick)
        .Custom("Any", VariantType(), [](const Sample& s) { return s.any; }, [](Sample& s, const Value& v) { s.any = v; })
        .Custom(
            "Link", ClassTypeOf<Component>(), [](const Sample& s) { return Value(static_cast<Persistent*>(s.link)); },
            [](Sample& s, const Value& v) { s.link = dynamic_cast<Component*>(AsObject(v)); })
        .Object("Font", ClassTypeOf<Font>(), &Sample::GetFont)
        .Object("Lines", ClassTypeOf<StringsObject>(), &Sample::Lines)
        .Object("Nodes", ClassTypeOf<Collection>(), &Sample::Nodes)
        .Build();
}

// A storage over an in-memory INI store.
struct Memory {
    IniStore ini;
    lark::storage::MissingItemsFn onMissing;
    void Attach(TPropsStorage& s) {
        s.OnMissingItems = onMissing;
        s.OnReadString = [this](auto sec, auto key, auto def) { return ini.ReadString(sec, key, def); };
        s.OnWriteString = [this](auto sec, auto key, auto v) { ini.WriteString(sec, key, v); };
        s.OnEraseSection = [this](auto sec) { ini.EraseSection(sec); };
        s.OnReadSectionKeys = [this](auto sec, const auto& each) { ini.ForEachKey(sec, each); };
    }
    void Save(Persistent& o, std::string prefix = "S_", std::string section = "Main") {
        TPropsStorage s;
        Attach(s);
        s.Object = &o;
        s.Prefix = std::move(prefix);
        s.Section = std::move(section);
        s.StoreProperties();
    }
    void Load(Persistent& o, std::string prefix = "S_", std::string section = "Main") {
        TPropsStorage s;
        Attach(s);
        s.Object = &o;
        s.Prefix = std::move(prefix);
        s.Section = std::move(section);
        s.LoadProperties();
    }
    std::string Get(std::string_view sec, std::string_view key) { return ini.ReadString(sec, key, "<missing>"); }
};

Node* AddNode(Collection& c, std::string caption) {
    auto* n = static_cast<Node*>(c.Add());
    n->caption = std::move(caption);
    return n;
}

}  // namespace

TEST(PropsStorage, WritesTheKeyLayout) {
    Component form;
    form.SetName("MainForm");
    auto* s = form.Create<Sample>();
    s->SetName("S");
    auto* target = form.Create<Component>();
    target->SetName("Target");
    s->count = -5;
    s->small = 200;
    s->big = 1234567890123LL;
    s->letter = 0xE9;  // é in the stored code page
    s->flag = true;
    s->colour = 2;
    s->colours.bits = 0b101;
    s->ratio = 0.1;
    s->single = 1.5e20;
    s->text = "  padded  ";
    s->any = Value(std::string("v"));
    s->link = target;
    s->font.height = 9;
    s->lines.List().Add("one");
    s->lines.List().Add(" two ");
    Node* top = AddNode(s->nodes, "top");
    Node* mid = AddNode(top->kids, "mid");
    AddNode(mid->kids, "deep");

    Memory m;
    TPropsStorage storage;
    m.Attach(storage);
    storage.Object = s;
    storage.Prefix = "S_";
    storage.Section = "Main";
    storage.Owner = &form;
    storage.StoreProperties();

    struct Case { const char* section; const char* key; const char* text; } cases[] = {
        {"Main", "S_Count", "-5"},
        {"Main", "S_Small", "200"},
        {"Main", "S_Big", "1234567890123"},
        {"Main", "S_Letter", "\xC3\xA9"},
        {"Main", "S_Flag", "True"},
        {"Main", "S_Colour", "clBlue"},
        {"Main", "S_Colours", "[clRed,clBlue]"},
        {"Main", "S_Ratio", "0.1"},
        {"Main", "S_Single", "1.5E20"},
        {"Main", "S_Text", "padded"},
        {"Main", "S_Any", "v"},
        {"Main", "S_Link", "Target"},
        {"Main", "S_FontHeight", "9"},
        {"Main", "S_FontFace", "Tahoma"},
        {"Main", "S_Wide", "<missing>"},
        {"Main", "S_OnClick", "<missing>"},
        {"Main.S_Lines", "Count", "2"},
        {"Main.S_Lines", "Item1", "two"},  // the store trims what it reads
        {"Main", "S_Nodes.Count", "1"},
        {"Main.S_Nodes", "Item0_Caption", "top"},
        {"Main.S_Nodes", "Item0_Open", "True"},
        {"Main.S_Nodes", "Item0_Kids.Count", "1"},
        {"Main.S_Nodes.Item0_Kids", "Item0_Caption", "mid"},
        {"Main.S_Nodes.Item0_Kids", "Item0_Kids.Count", "1"},
        {"Main.S_Nodes.Item0_Kids.Item0_Kids", "Item0_Caption", "deep"},
        {"Main.S_Nodes.Item0_Kids.Item0_Kids", "Item0_Kids.Count", "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(m.Get(c.section, c.key), c.text) << c.section << " / " << c.key;

    // Keys follow the properties sorted by name.
    auto keys = m.ini.ReadSection("Main.S_Nodes");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], "Item0_Caption");
    EXPECT_EQ(keys[1], "Item0_Kids.Count");
    EXPECT_EQ(keys[2], "Item0_Open");

    // A reference into another owner names that owner; none is "(null)".
    Component other;
    other.SetName("Other");
    auto* foreign = other.Create<Component>();
    foreign->SetName("Far");
    s->link = foreign;
    m.Save(*s);
    EXPECT_EQ(m.Get("Main", "S_Link"), "Other.Far");
    s->link = nullptr;
    m.Save(*s);
    EXPECT_EQ(m.Get("Main", "S_Link"), "(null)");
}

TEST(PropsStorage, SavedValuesReadBack) {
    Sample a;
    a.count = 42;
    a.big = -9000000000LL;
    a.letter = 'Q';
    a.flag = true;
    a.colour = 1;
    a.colours.bits = 0b110;
    a.ratio = 1.0 / 3.0;
    a.single = 0.25;
    a.text = "x";
    a.any = Value(std::string("hello"));
    a.font.face = "Arial";
    a.lines.List().Add("l1");
    AddNode(AddNode(a.nodes, "p")->kids, "q");
    Memory m;
    m.Save(a);

    Sample b;
    m.Load(b);
    EXPECT_EQ(b.count, 42);
    EXPECT_EQ(b.big, -9000000000LL);
    EXPECT_EQ(b.letter, 'Q');
    EXPECT_TRUE(b.flag);
    EXPECT_EQ(b.colour, 1);
    EXPECT_EQ(b.colours.bits, 0b110u);
    EXPECT_NEAR(b.ratio, 1.0 / 3.0, 1e-14);  // 15 digits
    EXPECT_EQ(b.single, 0.25);
    EXPECT_EQ(b.text, "x");
    EXPECT_EQ(AsText(b.any), "hello");
    EXPECT_EQ(b.font.face, "Arial");
    EXPECT_EQ(b.lines.List().Text(), "l1\r\n");
    ASSERT_EQ(b.nodes.Count(), 1);
    Node* p = b.nodes.ItemAs<Node>(0);
    EXPECT_EQ(p->caption, "p");
    ASSERT_EQ(p->kids.Count(), 1);
    EXPECT_EQ(p->kids.ItemAs<Node>(0)->caption, "q");
}

TEST(PropsStorage, ReadingDamagedOrOddTexts) {
    struct Case {
        const char* key;
        const char* text;
        std::function<void(const Sample&)> check;
    } cases[] = {
        {"S_Text", "  spaced out  ", [](const Sample& s) { EXPECT_EQ(s.text, "spaced out"); }},
        {"S_Flag", "TRUE", [](const Sample& s) { EXPECT_TRUE(s.flag); }},
        {"S_Colour", "clblue", [](const Sample& s) { EXPECT_EQ(s.colour, 2); }},
        {"S_Colour", "clPurple", [](const Sample& s) { EXPECT_EQ(s.colour, 1); }},
        {"S_Colours", "[clRed, clGreen, clBlue]", [](const Sample& s) { EXPECT_EQ(s.colours.bits, 0b111u); }},
        {"S_Colours", "[clGreen, nonsense]", [](const Sample& s) { EXPECT_EQ(s.colours.bits, 0b010u); }},
        {"S_Count", "12x", [](const Sample& s) { EXPECT_EQ(s.count, 3); }},
        {"S_Count", " -17 ", [](const Sample& s) { EXPECT_EQ(s.count, -17); }},
        {"S_Count", "99999999999", [](const Sample& s) { EXPECT_EQ(s.count, 3); }},
        {"S_Small", "256", [](const Sample& s) { EXPECT_EQ(s.small, 4); }},
        {"S_Ratio", "2.5E3", [](const Sample& s) { EXPECT_EQ(s.ratio, 2500.0); }},
        {"S_Ratio", "2,5", [](const Sample& s) { EXPECT_EQ(s.ratio, 0.5); }},
        {"S_Letter", "", [](const Sample& s) { EXPECT_EQ(s.letter, 'z'); }},
        {"S_Letter", "xyz", [](const Sample& s) { EXPECT_EQ(s.letter, 'x'); }},
        {"S_Any", "", [](const Sample& s) { EXPECT_TRUE(std::holds_alternative<std::monostate>(s.any)); }},
        {"S_Any", "stored", [](const Sample& s) { EXPECT_EQ(AsText(s.any), "stored"); }},
        {"S_Wide", "ignored", [](const Sample& s) { EXPECT_EQ(s.wide, "not stored"); }},
    };
    for (const auto& c : cases) {
        Memory m;
        m.ini.WriteString("Main", c.key, c.text);
        Sample s;
        s.count = 3;
        s.small = 4;
        s.colour = 1;
        s.colours.bits = 0b1000;
        s.ratio = 0.5;
        s.letter = 'z';
        m.Load(s);
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        c.check(s);
    }
}

TEST(PropsStorage, MissingKeysKeepValues) {
    Sample s;
    s.count = 8;
    s.text = "kept";
    s.flag = true;
    s.lines.List().Add("own");
    AddNode(s.nodes, "mine");
    Memory m;
    m.ini.WriteString("Elsewhere", "S_Count", "1");
    m.Load(s);
    EXPECT_EQ(s.count, 8);
    EXPECT_EQ(s.text, "kept");
    EXPECT_TRUE(s.flag);
    EXPECT_EQ(s.lines.List().Count(), 1);
    ASSERT_EQ(s.nodes.Count(), 1);
    EXPECT_EQ(s.nodes.ItemAs<Node>(0)->caption, "mine");
}

TEST(PropsStorage, StringListStoredEmptyKeepsCurrentContent) {
    Sample empty;
    Memory m;
    m.ini.WriteString("Main.S_Lines", "Count", "5");  // erased by the save below
    m.Save(empty);
    EXPECT_FALSE(m.ini.SectionExists("Main.S_Lines"));

    Sample s;
    s.lines.List().SetText("a\r\nb\r\n");
    m.Load(s);
    EXPECT_EQ(s.lines.List().Text(), "a\r\nb\r\n");

    // A list with content replaces it.
    Sample full;
    full.lines.List().Add("x");
    m.Save(full);
    m.Load(s);
    EXPECT_EQ(s.lines.List().Text(), "x\r\n");
}

TEST(PropsStorage, CollectionOfSameCountUpdatesInPlaceOtherwiseRefills) {
    Sample stored;
    for (const char* c : {"a", "b", "c"}) AddNode(stored.nodes, c);
    stored.nodes.ItemAs<Node>(1)->open = false;
    Memory m;
    m.Save(stored);
    m.ini.DeleteKey("Main.S_Nodes", "Item2_Open");

    // Three items: the same objects get the stored values; a missing key keeps theirs.
    Sample three;
    std::vector<Node*> before;
    for (const char* c : {"x", "y", "z"}) before.push_back(AddNode(three.nodes, c));
    before[2]->open = false;
    m.Load(three);
    ASSERT_EQ(three.nodes.Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(three.nodes.Items(i), before[static_cast<std::size_t>(i)]);
    EXPECT_EQ(before[0]->caption, "a");
    EXPECT_FALSE(before[1]->open);
    EXPECT_FALSE(before[2]->open);  // kept

    // Two items: cleared and refilled with three new ones, with their constructor defaults.
    Sample two;
    AddNode(two.nodes, "x")->open = false;
    AddNode(two.nodes, "y")->open = false;
    m.Load(two);
    ASSERT_EQ(two.nodes.Count(), 3);
    EXPECT_EQ(two.nodes.ItemAs<Node>(2)->caption, "c");
    EXPECT_TRUE(two.nodes.ItemAs<Node>(2)->open);
    EXPECT_TRUE(two.nodes.ItemAs<Node>(0)->open);
}

TEST(PropsStorage, ACountIsTrustedOnlyAsFarAsItemsExist) {
    Sample stored;
    AddNode(stored.nodes, "a");
    AddNode(AddNode(stored.nodes, "b")->kids, "b1");
    stored.lines.List().Add("one");
    Memory m;
    m.Save(stored);

    struct Case { const char* section; const char* key; const char* count; int nodes; int kids; int lines; } cases[] = {
        {"Main", "S_Nodes.Count", "2000000000", 2, 1, 1},
        {"Main", "S_Nodes.Count", "-4", 0, 0, 1},
        {"Main", "S_Nodes.Count", "two", 0, 0, 1},  // no integer: the current count (none)
        {"Main.S_Nodes", "Item1_Kids.Count", "99999999", 2, 1, 1},
        {"Main.S_Lines", "Count", "123456789", 2, 1, 1},
        {"Main.S_Lines", "Count", "x", 2, 1, 0},
        // A stray key far out does not make the count believable.
        {"Main.S_Nodes", "Item99999999_Caption", "stray", 3, 1, 1},
    };
    for (const auto& c : cases) {
        Memory damaged;
        damaged.ini.LoadFromText(m.ini.SaveToText());
        damaged.ini.WriteString(c.section, c.key, c.count);
        if (std::string_view(c.count) == "stray") damaged.ini.WriteString("Main", "S_Nodes.Count", "100000000");
        Sample s;
        damaged.Load(s);
        SCOPED_TRACE(std::string(c.key) + "=" + c.count);
        ASSERT_EQ(s.nodes.Count(), c.nodes);
        if (c.nodes == 2) {
            EXPECT_EQ(s.nodes.ItemAs<Node>(1)->caption, "b");
            EXPECT_EQ(s.nodes.ItemAs<Node>(1)->kids.Count(), c.kids);
        }
        EXPECT_EQ(s.lines.List().Count(), c.lines);
    }
}

TEST(PropsStorage, ComponentReferences) {
    Component form;
    form.SetName("RefForm");
    RootComponents::Add(&form);
    auto* s = form.Create<Sample>();
    auto* there = form.Create<Component>();
    there->SetName("There");
    struct Case { const char* text; Component* start; Component* expected; } cases[] = {
        {"There", nullptr, there},
        {" refform . there ", nullptr, there},
        {"Missing", there, nullptr},          // the owner exists, the component does not
        {"NoSuchForm.There", there, there},   // no owner: unchanged
        {"(NULL)", there, nullptr},
        {"", there, there},
    };
    for (const auto& c : cases) {
        Memory m;
        m.ini.WriteString("Main", "S_Link", c.text);
        s->link = c.start;
        TPropsStorage storage;
        m.Attach(storage);
        storage.Object = s;
        storage.Prefix = "S_";
        storage.Section = "Main";
        storage.Owner = &form;
        storage.LoadProperties();
        EXPECT_EQ(s->link, c.expected) << c.text;
    }
    RootComponents::Remove(&form);
}

TEST(PropsStorage, ListedPropsUseComponentNamesAndDropLinesWithoutComponents) {
    Component form;
    auto* s = form.Create<Sample>();
    s->SetName("acStatusBar");
    s->flag = true;
    s->count = 5;
    StringList lines;
    lines.Add("OldName.Flag", s);     // rewritten with the current name
    lines.Add("Ghost.Count");         // no component: deleted
    lines.Add("acStatusBar.", s);     // no property: deleted
    lines.Add("acStatusBar.NoSuchProp", s);
    lines.Add(" acStatusBar . count ", s);

    Memory m;
    TPropsStorage storage;
    m.Attach(storage);
    storage.Section = "MainForm";
    storage.SaveListedProps(&form, lines);
    EXPECT_EQ(storage.Owner, nullptr);
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines.Strings(0), "acStatusBar.Flag");
    EXPECT_EQ(lines.Strings(2), "acStatusBar.count");
    EXPECT_EQ(m.Get("MainForm", "acStatusBar_Flag"), "True");
    EXPECT_EQ(m.Get("MainForm", "acStatusBar_Count"), "5");
    EXPECT_EQ(m.ini.ReadSection("MainForm").size(), 2u);

    s->flag = false;
    s->count = 0;
    storage.LoadListedProps(&form, lines);
    EXPECT_TRUE(s->flag);
    EXPECT_EQ(s->count, 5);
}

TEST(FormStorage, StoresInItsSectionOfTheFileAndKeepsQuotes) {
    const auto path = std::filesystem::temp_directory_path() / "lark_form_storage_test.ini";
    std::filesystem::remove(path);
    Component form;
    auto* s = form.Create<Sample>();
    s->SetName("Edit1");
    s->text = "'quoted'";
    s->count = 3;
    {
        auto* fs = form.Create<TFormStorage>();
        fs->SetIniFileName(path.string());
        fs->SetIniSection("OptionsForm");
        fs->AddStoredProp("Edit1.Text", s);
        fs->AddStoredProp("Edit1.Count", s);
        fs->SaveStoredProps();
    }
    IniStore file(path.string());
    EXPECT_EQ(file.ReadString("OptionsForm", "Edit1_Count", ""), "3");

    s->text.clear();
    s->count = 0;
    TFormStorage reader(&form);
    reader.SetActive(false);
    reader.SetIniFileName(path.string());
    reader.SetIniSection("OptionsForm");
    reader.AddStoredProp("Edit1.Text", s);
    reader.AddStoredProp("Edit1.Count", s);
    reader.RestoreStoredProps();
    EXPECT_EQ(s->text, "'quoted'");
    EXPECT_EQ(s->count, 3);

    // A missing file leaves everything as it is; a freed component loses its lines.
    std::filesystem::remove(path);
    s->count = 9;
    reader.RestoreStoredProps();
    EXPECT_EQ(s->count, 9);
    auto loose = std::make_unique<Sample>();
    reader.AddStoredProp("Loose.Count", loose.get());
    ASSERT_EQ(reader.StoredProps().Count(), 3);
    loose.reset();
    EXPECT_EQ(reader.StoredProps().Count(), 2);
}

namespace {
class CountingStorage : public TFormStorage {
public:
    using TFormStorage::TFormStorage;
    int reads = 0;
    int unopened = 0;
    std::string ReadStoredString(std::string_view s, std::string_view k, std::string_view d) override {
        ++reads;
        if (!StoreIsOpen()) ++unopened;
        return TFormStorage::ReadStoredString(s, k, d);
    }
};
}  // namespace

TEST(FormStorage, RestoreParsesTheFileOnceForThePass) {
    const auto path = std::filesystem::temp_directory_path() / "lark_form_storage_once.ini";
    std::ofstream(path, std::ios::binary) << "[F]\nS_Nodes.Count=2\n[F.S_Nodes]\nItem0_Caption=a\nItem1_Caption=b\n";
    Component form;
    auto* s = form.Create<Sample>();
    s->SetName("S");
    CountingStorage reader;
    reader.SetIniFileName(path.string());
    reader.SetIniSection("F");
    reader.AddStoredProp("S.Nodes", s);
    reader.AddStoredProp("S.Count", s);
    reader.RestoreStoredProps();
    ASSERT_EQ(s->nodes.Count(), 2);
    EXPECT_EQ(s->nodes.ItemAs<Node>(1)->caption, "b");
    EXPECT_GT(reader.reads, 4);
    EXPECT_EQ(reader.unopened, 0);
    EXPECT_FALSE(reader.StoreIsOpen());
    std::filesystem::remove(path);
}

// Lines that reach StoredProps through the list itself must not outlive their component: the
// next save would read a freed component.
TEST(FormStorage, EveryWayOfAddingALineFollowsItsComponent) {
    const auto path = std::filesystem::temp_directory_path() / "lark_form_storage_follow.ini";
    std::filesystem::remove(path);
    struct Way {
        const char* name;
        std::function<void(TFormStorage&, Sample*)> add;
    };
    const Way ways[] = {
        {"Add", [](TFormStorage& fs, Sample* s) { fs.StoredProps().Add("Loose.Count", s); }},
        {"Insert", [](TFormStorage& fs, Sample* s) { fs.StoredProps().Insert(0, "Loose.Count", s); }},
        {"SetObjects",
         [](TFormStorage& fs, Sample* s) {
             fs.StoredProps().Add("Loose.Count");
             fs.StoredProps().SetObjects(fs.StoredProps().Count() - 1, s);
         }},
        {"Assign",
         [](TFormStorage& fs, Sample* s) {
             StringList lines;
             lines.Add("Edit1.Count", fs.StoredProps().Objects(0));
             lines.Add("Loose.Count", s);
             fs.StoredProps().Assign(lines);
         }},
        {"copy",
         [](TFormStorage& fs, Sample* s) {
             StringList lines = fs.StoredProps();
             lines.Add("Loose.Count", s);
             fs.StoredProps() = lines;
         }},
        {"move",
         [](TFormStorage& fs, Sample* s) {
             StringList lines = fs.StoredProps();
             lines.Add("Loose.Count", s);
             fs.StoredProps() = std::move(lines);
         }},
        {"AddStrings",
         [](TFormStorage& fs, Sample* s) {
             StringList more;
             more.Add("Loose.Count", s);
             fs.StoredProps().AddStrings(more);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Component form;
        auto* kept = form.Create<Sample>();
        kept->SetName("Edit1");
        kept->count = 4;
        auto* fs = form.Create<TFormStorage>();
        fs->SetIniFileName(path.string());
        fs->SetIniSection("F");
        fs->AddStoredProp("Edit1.Count", kept);
        auto loose = std::make_unique<Sample>();
        loose->SetName("Loose");
        way.add(*fs, loose.get());
        ASSERT_EQ(fs->StoredProps().Count(), 2);
        loose.reset();
        ASSERT_EQ(fs->StoredProps().Count(), 1);
        EXPECT_EQ(fs->StoredProps().Strings(0), "Edit1.Count");
        fs->SaveStoredProps();
        EXPECT_EQ(IniStore(path.string()).ReadString("F", "Edit1_Count", ""), "4");
    }
    // A line dropped from the list lets go of its component, which may then outlive the storage.
    Component form;
    auto other = std::make_unique<Sample>();
    {
        TFormStorage fs(&form);
        fs.AddStoredProp("Other.Count", other.get());
        fs.StoredProps().Clear();
    }
    other.reset();
    std::filesystem::remove(path);
}

// Two writers of one file, one of them in the middle of its pass while the other saves: neither
// loses the other's keys. A value the file cannot hold is refused, and the rest of its pass is
// written.
TEST(FormStorage, WritersOfOneFileKeepEachOthersKeys) {
    const auto path = std::filesystem::temp_directory_path() / "lark_form_storage_shared.ini";
    std::filesystem::remove(path);
    Component form;
    TFormStorage mainForm(&form), options(&form);
    for (auto* fs : {&mainForm, &options}) fs->SetIniFileName(path.string());
    mainForm.SetIniSection("MainForm");
    options.SetIniSection("OptionsForm");

    mainForm.OpenStore(true);
    mainForm.WriteStoredString("MainForm", "ShowCmd", "3");
    options.WriteStoredString("OptionsForm", "Language", "2");
    mainForm.CloseStore();
    options.WriteStoredString("OptionsForm", "Sound", "1");
    IniStore file(path.string());
    EXPECT_EQ(file.ReadString("MainForm", "ShowCmd", ""), "3");
    EXPECT_EQ(file.ReadString("OptionsForm", "Language", ""), "2");
    EXPECT_EQ(file.ReadString("OptionsForm", "Sound", ""), "1");

    auto* s = form.Create<Sample>();
    s->SetName("Edit1");
    s->text = "two\r\nlines";
    s->count = 7;
    options.AddStoredProp("Edit1.Text", s);
    options.AddStoredProp("Edit1.Count", s);
    EXPECT_THROW(options.SaveStoredProps(), Error);
    IniStore after(path.string());
    EXPECT_EQ(after.ReadString("OptionsForm", "Edit1_Count", ""), "7");
    EXPECT_EQ(after.ReadString("OptionsForm", "Edit1_Text", "none"), "none");
    EXPECT_EQ(after.ReadString("MainForm", "ShowCmd", ""), "3");
    std::filesystem::remove(path);
}

// Count=3 with items 0 and 2 stored: both are read from their own keys, nothing stands in for
// item 1, and the reader is told.
TEST(PropsStorage, AMissingItemIsSkippedWithoutShiftingTheOthers) {
    Sample stored;
    for (const char* c : {"a", "b", "c"}) AddNode(stored.nodes, c);
    stored.nodes.ItemAs<Node>(2)->open = false;
    for (const char* l : {"one", "two", "three"}) stored.lines.List().Add(l);
    Memory m;
    m.Save(stored);
    for (const char* key : {"Item1_Caption", "Item1_Open", "Item1_Kids.Count"}) m.ini.DeleteKey("Main.S_Nodes", key);
    m.ini.DeleteKey("Main.S_Lines", "Item1");

    std::vector<std::string> told;
    m.onMissing = [&](std::string_view section, int stated, int found) {
        told.push_back(std::string(section) + " " + std::to_string(stated) + " " + std::to_string(found));
    };
    Sample s;
    m.Load(s);
    ASSERT_EQ(s.nodes.Count(), 2);
    EXPECT_EQ(s.nodes.ItemAs<Node>(0)->caption, "a");
    EXPECT_EQ(s.nodes.ItemAs<Node>(1)->caption, "c");
    EXPECT_FALSE(s.nodes.ItemAs<Node>(1)->open);
    EXPECT_EQ(s.lines.List().Text(), "one\r\nthree\r\n");
    EXPECT_EQ(told, (std::vector<std::string>{"Main.S_Lines 3 2", "Main.S_Nodes 3 2"}));
}
