#include "core/component_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/published.h"

using namespace lark::core;

namespace {

const TypeInfo& ColourType() {
    static auto t = MakeEnumType("TColour", {"clRed", "clGreen", "clBlue"});
    return *t;
}
const TypeInfo& DayType() {
    static auto t = MakeSubrangeType("TDay", 1, 7);
    return *t;
}
const TypeInfo& DaysType() {
    static auto t = MakeSetType("TDays", DayType());
    return *t;
}

class Item : public CollectionItem {
    LARK_PERSISTENT_CLASS(Item)
public:
    int count = 1;
    bool flag = true;
    int colour = 0;
    SetValue days{1u << 1};
    double when = 0;
    std::string text;
    std::string wide;
    std::int64_t big = 0;
};

LARK_DEFINE_CLASS(Item) {
    return ClassBuilder<Item>("TItem", &CollectionItem::StaticClass())
        .Field("Count", IntegerType(), &Item::count, Value(std::int64_t(1)))
        .Field("Flag", BooleanType(), &Item::flag, Value(std::int64_t(1)))
        .Field("Colour", ColourType(), &Item::colour)
        .Field("Days", DaysType(), &Item::days, Value(SetValue{1u << 1}))
        .Field("When", DateTimeType(), &Item::when)
        .Field("Text", StringType(), &Item::text)
        .Field("Wide", WideStringType(), &Item::wide)
        .Field("Big", Int64Type(), &Item::big, Value(std::int64_t(0)))
        .Build();
}

class Holder : public Component {
    LARK_PERSISTENT_CLASS(Holder)
public:
    explicit Holder(Component* owner = nullptr) : Component(owner), items(Item::StaticClass(), this) {}
    Collection* Items() { return &items; }
    Component* link = nullptr;
    std::string onClick;
    std::vector<std::uint8_t> blob;
    std::string secret;

    void DefineProperties(Filer& filer) override {
        filer.DefineBinaryProperty(
            "Blob", [this](const std::vector<std::uint8_t>& b) { blob = b; },
            [this](std::vector<std::uint8_t>& b) { b = blob; }, !blob.empty());
        filer.DefineProperty(
            "Secret", [this](Reader& r) { secret = r.ReadText(); }, [this](Writer& w) { w.WriteText(secret); },
            true);
    }
    Collection items;
};

LARK_DEFINE_CLASS(Holder) {
    return ClassBuilder<Holder>("THolder", &Component::StaticClass())
        .Object("Items", ClassTypeOf<Collection>(), &Holder::Items)
        .Custom(
            "Link", ClassTypeOf<Component>(), [](const Holder& h) { return Value(static_cast<Persistent*>(h.link)); },
            [](Holder& h, const Value& v) { h.link = dynamic_cast<Component*>(AsObject(v)); })
        .Field("OnClick", MethodType(), &Holder::onClick)
        .Build();
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> v;
    for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

void Append(std::vector<std::uint8_t>& v, std::string_view s) { v.insert(v.end(), s.begin(), s.end()); }

}  // namespace

TEST(Extended, ConvertsExactly) {
    struct Case {
        double value;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {0.0, Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {1.0, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})},
        {-2.0, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0})},
        {0.5, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F})},
    };
    for (const auto& c : cases) {
        std::uint8_t out[10];
        DoubleToExtended(c.value, out);
        EXPECT_EQ(std::vector<std::uint8_t>(out, out + 10), c.bytes) << c.value;
        EXPECT_EQ(ExtendedToDouble(c.bytes.data()), c.value);
    }
    for (double d : {46000.5, 1e-310, -123456.789012345, std::numeric_limits<double>::max(),
                     std::numeric_limits<double>::denorm_min(), 1.0 / 3.0}) {
        std::uint8_t out[10];
        DoubleToExtended(d, out);
        EXPECT_EQ(ExtendedToDouble(out), d);
    }
    std::uint8_t inf[10];
    DoubleToExtended(std::numeric_limits<double>::infinity(), inf);
    EXPECT_TRUE(std::isinf(ExtendedToDouble(inf)));
    // An extended value with more precision rounds to nearest: 1 + 2^-63 is 1.
    auto more = Bytes({1, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F});
    EXPECT_EQ(ExtendedToDouble(more.data()), 1.0);
}

TEST(ComponentStream, WritesTheExpectedBytes) {
    Holder h;
    Item* it = static_cast<Item*>(h.items.Add());
    it->count = 300;
    it->flag = false;
    it->colour = 2;
    it->days = SetValue{(1u << 1) | (1u << 3) | (1u << 5)};
    it->text = "ab";

    std::vector<std::uint8_t> expected;
    Append(expected, "TPF0");
    expected.push_back(7);
    Append(expected, "THolder");
    expected.push_back(0);  // no name
    expected.push_back(5);
    Append(expected, "Items");
    expected.push_back(0x0E);
    expected.push_back(0x01);
    auto prop = [&](std::string_view name) {
        expected.push_back(static_cast<std::uint8_t>(name.size()));
        Append(expected, name);
    };
    prop("Count");
    for (int b : std::initializer_list<int>{0x03, 0x2C, 0x01}) expected.push_back(static_cast<std::uint8_t>(b));
    prop("Flag");
    expected.push_back(0x08);
    prop("Colour");
    expected.push_back(0x07);
    expected.push_back(6);
    Append(expected, "clBlue");
    prop("Days");
    for (int b : std::initializer_list<int>{0x0B, 1, '1', 1, '3', 1, '5', 0}) expected.push_back(static_cast<std::uint8_t>(b));
    prop("Text");
    for (int b : std::initializer_list<int>{0x06, 2, 'a', 'b'}) expected.push_back(static_cast<std::uint8_t>(b));
    expected.push_back(0x00);  // end of item
    expected.push_back(0x00);  // end of collection
    prop("Secret");
    for (int b : std::initializer_list<int>{0x06, 0}) expected.push_back(static_cast<std::uint8_t>(b));
    expected.push_back(0x00);  // end of properties
    expected.push_back(0x00);  // no children

    EXPECT_EQ(WriteComponentToBytes(h), expected);
}

TEST(ComponentStream, TextFormsFollowTheCompactRule) {
    struct Case {
        std::string utf8;
        ValueTag tag;
    } cases[] = {
        {"plain", ValueTag::String},
        {std::string(300, 'x'), ValueTag::LString},
        {"K\xC3\xA4se", ValueTag::Utf8String},                 // "Käse": 1252 holds it, UTF-8 is shorter than UTF-16
        {"\xE6\x97\xA5\xE6\x9C\xAC", ValueTag::WString},       // CJK: three bytes each
    };
    for (const auto& c : cases) {
        MemoryStream out;
        Writer w(out);
        w.WriteText(c.utf8);
        EXPECT_EQ(static_cast<ValueTag>(out.Data()[0]), c.tag) << c.utf8;
        out.Seek(0);
        Reader r(out);
        EXPECT_EQ(r.ReadText(), c.utf8);
    }
}

TEST(ComponentStream, ReaderAcceptsEveryIntegerWidthAndTextForm) {
    // A stream written by hand, as another implementation might: widest forms everywhere.
    std::vector<std::uint8_t> s;
    Append(s, "TPF0");
    s.push_back(7);
    Append(s, "THolder");
    s.push_back(0);
    s.push_back(5);
    Append(s, "Items");
    s.push_back(0x0E);
    s.push_back(0x01);
    s.push_back(5);
    Append(s, "Count");
    for (int b : std::initializer_list<int>{0x04, 0x05, 0, 0, 0}) s.push_back(static_cast<std::uint8_t>(b));
    s.push_back(4);
    Append(s, "Text");
    for (int b : std::initializer_list<int>{0x12, 2, 0, 0, 0, 'h', 0, 'i', 0}) s.push_back(static_cast<std::uint8_t>(b));
    s.push_back(4);
    Append(s, "Wide");
    for (int b : std::initializer_list<int>{0x0C, 3, 0, 0, 0, 'a', 'b', 'c'}) s.push_back(static_cast<std::uint8_t>(b));
    s.push_back(3);
    Append(s, "Big");
    for (int b : std::initializer_list<int>{0x02, 0xFF}) s.push_back(static_cast<std::uint8_t>(b));
    s.push_back(4);
    Append(s, "When");
    for (int b : std::initializer_list<int>{0x15, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}) s.push_back(static_cast<std::uint8_t>(b));  // double 1.0
    s.push_back(0);
    s.push_back(0);
    s.push_back(0);
    s.push_back(0);

    Holder h;
    ReadComponentFromBytes(h, s);
    ASSERT_EQ(h.items.Count(), 1);
    auto* it = h.items.ItemAs<Item>(0);
    EXPECT_EQ(it->count, 5);
    EXPECT_EQ(it->text, "hi");
    EXPECT_EQ(it->wide, "abc");
    EXPECT_EQ(it->big, -1);
    EXPECT_EQ(it->when, 1.0);
    EXPECT_TRUE(it->flag);  // omitted: the new item's default
}

TEST(ComponentStream, RoundTripIsByteIdentical) {
    Holder h;
    h.SetName("Root");
    h.onClick = "HolderClick";
    h.blob = {0, 1, 2, 255};
    h.secret = "s\xC3\xA9" "cret";
    auto* child = h.Create<Holder>();
    child->SetName("Child");
    h.link = child;
    for (int i = 0; i < 4; ++i) {
        auto* it = static_cast<Item*>(h.items.Add());
        it->count = i * 70000 - 5;
        it->flag = i % 2;
        it->colour = i % 3;
        it->days = SetValue{static_cast<std::uint32_t>(i * 37) & 0xFE};
        it->when = 45000.25 + i;
        it->text = std::string(i * 100, 'x');
        it->wide = i == 3 ? "\xE6\x97\xA5" : "w";
        it->big = std::int64_t(1) << (20 * i);
    }
    auto first = WriteComponentToBytes(h);

    Holder back;
    ReadComponentFromBytes(back, first);
    EXPECT_EQ(back.Name(), "Root");
    ASSERT_EQ(back.ComponentCount(), 1);
    EXPECT_EQ(back.link, back.Components(0));
    EXPECT_EQ(back.onClick, "HolderClick");
    EXPECT_EQ(back.blob, h.blob);
    EXPECT_EQ(back.secret, h.secret);
    EXPECT_EQ(WriteComponentToBytes(back), first);
}

TEST(ComponentStream, AnEmptyCollectionInTheStreamEmptiesTheList) {
    Holder h;
    auto empty = WriteComponentToBytes(h);
    h.items.Add();
    ReadComponentFromBytes(h, empty);
    EXPECT_EQ(h.items.Count(), 0);
}

TEST(ComponentStream, ErrorsNameTheOffsetAndProperty) {
    Holder h;
    static_cast<Item*>(h.items.Add())->colour = 1;
    auto bytes = WriteComponentToBytes(h);
    // Turn "clGreen" into "clGreeX": no such value.
    auto pos = std::search(bytes.begin(), bytes.end(), std::begin("clGreen"), std::end("clGreen") - 1) - bytes.begin();
    bytes[static_cast<std::size_t>(pos) + 6] = 'X';
    Holder target;
    try {
        ReadComponentFromBytes(target, bytes);
        FAIL() << "no error";
    } catch (const ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("Colour"), std::string::npos) << e.what();
        EXPECT_GT(e.Offset(), 0);
    }
    std::vector<std::uint8_t> notAStream = {'T', 'P', 'F', '1'};
    EXPECT_THROW(ReadComponentFromBytes(target, notAStream), ReadError);
}

TEST(ComponentStream, CutOrFlippedAnywhereGivesACleanError) {
    Holder h;
    h.blob = {9, 8, 7};
    for (int i = 0; i < 3; ++i) {
        auto* it = static_cast<Item*>(h.items.Add());
        it->text = "t" + std::to_string(i);
        it->wide = "\xE6\x97\xA5";
        it->when = 44000.5;
        it->count = 1000 * i;
    }
    auto bytes = WriteComponentToBytes(h);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        Holder target;
        EXPECT_THROW(ReadComponentFromBytes(target, part), Error) << "cut at " << cut;
    }
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        auto damaged = bytes;
        damaged[at] ^= 0xFF;
        Holder target;
        try {
            ReadComponentFromBytes(target, damaged);
        } catch (const Error&) {
        }
    }
}

TEST(Components, RemovalNoticesReachWatchersOnOtherOwners) {
    struct Watcher : Component {
        using Component::Component;
        Component* watched = nullptr;
        void Notification(Component* c, Operation op) override {
            if (op == Operation::Remove && c == watched) watched = nullptr;
        }
    };
    Component windowA, windowB;
    auto* target = windowA.Create<Component>();
    target->SetName("Target");
    auto* sibling = windowA.Create<Watcher>();
    auto* remote = windowB.Create<Watcher>();
    sibling->watched = target;
    remote->watched = target;
    target->FreeNotification(remote);
    EXPECT_EQ(windowA.FindComponent("target"), target);
    EXPECT_THROW(windowA.Create<Component>()->SetName("TARGET"), Error);
    delete target;  // owned components may be freed directly; the owner lets go
    EXPECT_EQ(sibling->watched, nullptr);
    EXPECT_EQ(remote->watched, nullptr);
    EXPECT_EQ(windowA.FindComponent("Target"), nullptr);
}
