#include "core/component_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "ascii.h"
#include "core/text_encoding.h"

namespace lark::core {

using detail::SameIdent;

namespace {
constexpr int kMaxDepth = 64;

struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d, const Reader& r) : depth(d) {
        if (++depth > kMaxDepth) {
            --depth;
            r.Fail("Stream nesting too deep");
        }
    }
    ~DepthGuard() { --depth; }
};

template <class T>
void PutLE(std::uint8_t* out, T v, int bytes) {
    auto u = static_cast<std::uint64_t>(v);
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::uint64_t GetLE(const std::uint8_t* in, int bytes) {
    std::uint64_t u = 0;
    for (int i = 0; i < bytes; ++i) u |= std::uint64_t(in[i]) << (8 * i);
    return u;
}

bool IsBooleanType(const TypeInfo& t) { return &t == &BooleanType() || t.name == "Boolean"; }
}  // namespace

void DoubleToExtended(double value, std::uint8_t out[10]) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    std::uint16_t sign = (bits >> 63) ? 0x8000 : 0;
    int exp = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t frac = bits & ((std::uint64_t(1) << 52) - 1);
    std::uint64_t mant;
    std::uint16_t e;
    if (exp == 0x7FF) {  // infinity or NaN
        e = 0x7FFF;
        mant = (std::uint64_t(1) << 63) | (frac << 11);
    } else if (exp == 0) {
        if (frac == 0) {
            e = 0;
            mant = 0;
        } else {  // subnormal double: normalise, extended has the range
            int shift = 0;
            while (!(frac & (std::uint64_t(1) << 52))) { frac <<= 1; ++shift; }
            e = static_cast<std::uint16_t>(1 - 1023 + 16383 - shift);
            mant = frac << 11;
        }
    } else {
        e = static_cast<std::uint16_t>(exp - 1023 + 16383);
        mant = (std::uint64_t(1) << 63) | (frac << 11);
    }
    PutLE(out, mant, 8);
    PutLE(out + 8, static_cast<std::uint16_t>(sign | e), 2);
}

double ExtendedToDouble(const std::uint8_t in[10]) {
    std::uint64_t mant = GetLE(in, 8);
    auto se = static_cast<std::uint16_t>(GetLE(in + 8, 2));
    bool negative = se & 0x8000;
    int e = se & 0x7FFF;
    double result;
    if (e == 0x7FFF) {
        result = (mant << 1) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    } else if (mant == 0) {
        result = 0.0;
    } else {
        // Round the 64-bit mantissa to 53 bits, to nearest, ties to even.
        int lead = 63;
        while (!(mant >> lead & 1)) --lead;  // unnormal and denormal extended values too
        int drop = lead - 52;
        std::uint64_t kept;
        int scale;
        if (drop > 0) {
            kept = mant >> drop;
            std::uint64_t rest = mant & ((std::uint64_t(1) << drop) - 1);
            std::uint64_t half = std::uint64_t(1) << (drop - 1);
            if (rest > half || (rest == half && (kept & 1))) ++kept;
            scale = drop;
        } else {
            kept = mant;
            scale = 0;
        }
        int exp2 = (e == 0 ? 1 : e) - 16383 - 63 + scale;
        result = std::ldexp(static_cast<double>(kept), exp2);
    }
    return negative ? -result : result;
}

// ---- Writer

void Writer::WriteSignature() { WriteBytes(kComponentStreamSignature, 4); }

void Writer::WriteTag(ValueTag tag) {
    auto b = static_cast<std::uint8_t>(tag);
    WriteBytes(&b, 1);
}

void Writer::WriteShortString(std::string_view bytes) {
    if (bytes.size() > 255) throw Error("Name too long for the stream: " + std::string(bytes.substr(0, 40)));
    auto n = static_cast<std::uint8_t>(bytes.size());
    WriteBytes(&n, 1);
    WriteBytes(bytes.data(), bytes.size());
}

void Writer::WritePropName(std::string_view name) { WriteShortString(name); }

void Writer::WriteInteger(std::int64_t value) {
    std::uint8_t buf[8];
    if (value >= -128 && value <= 127) {
        WriteTag(ValueTag::Int8);
        PutLE(buf, value, 1);
        WriteBytes(buf, 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteTag(ValueTag::Int16);
        PutLE(buf, value, 2);
        WriteBytes(buf, 2);
    } else if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
        WriteTag(ValueTag::Int32);
        PutLE(buf, value, 4);
        WriteBytes(buf, 4);
    } else {
        WriteTag(ValueTag::Int64);
        PutLE(buf, value, 8);
        WriteBytes(buf, 8);
    }
}

void Writer::WriteFloat(double value) {
    std::uint8_t buf[10];
    DoubleToExtended(value, buf);
    WriteTag(ValueTag::Extended);
    WriteBytes(buf, 10);
}

void Writer::WriteDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    std::uint8_t buf[8];
    PutLE(buf, bits, 8);
    WriteTag(ValueTag::Double);
    WriteBytes(buf, 8);
}

void Writer::WriteBool(bool value) { WriteTag(value ? ValueTag::True : ValueTag::False); }

void Writer::WriteIdent(std::string_view ident) {
    if (SameIdent(ident, "False")) return WriteTag(ValueTag::False);
    if (SameIdent(ident, "True")) return WriteTag(ValueTag::True);
    if (SameIdent(ident, "nil")) return WriteTag(ValueTag::Nil);
    WriteTag(ValueTag::Ident);
    WriteShortString(ident);
}

void Writer::WriteString8(std::string_view bytes) {
    if (bytes.size() <= 255) {
        WriteTag(ValueTag::String);
        WriteShortString(bytes);
        return;
    }
    WriteTag(ValueTag::LString);
    std::uint8_t len[4];
    PutLE(len, static_cast<std::uint32_t>(bytes.size()), 4);
    WriteBytes(len, 4);
    WriteBytes(bytes.data(), bytes.size());
}

void Writer::WriteWideString(std::u16string_view text) {
    WriteTag(ValueTag::WString);
    std::uint8_t buf[4];
    PutLE(buf, static_cast<std::uint32_t>(text.size()), 4);
    WriteBytes(buf, 4);
    std::vector<std::uint8_t> units(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) PutLE(&units[i * 2], text[i], 2);
    WriteBytes(units.data(), units.size());
}

void Writer::WriteUtf8String(std::string_view utf8) {
    WriteTag(ValueTag::Utf8String);
    std::uint8_t len[4];
    PutLE(len, static_cast<std::uint32_t>(utf8.size()), 4);
    WriteBytes(len, 4);
    WriteBytes(utf8.data(), utf8.size());
}

void Writer::WriteText(std::string_view utf8) {
    // Plain ASCII, by far the most common text, is its own 8-bit form.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return WriteString8(utf8);
    std::u16string wide = Utf8ToUtf16(utf8);
    if (utf8.size() >= 2 * wide.size() && !wide.empty()) return WriteWideString(wide);
    std::string ansi = Utf8ToWin1252(utf8);
    if (ansi != utf8) return WriteUtf8String(utf8);
    WriteString8(ansi);
}

void Writer::WriteSet(const TypeInfo& setType, SetValue value) {
    WriteTag(ValueTag::Set);
    for (int ord = 0; ord < 32; ++ord) {
        if (!value.Contains(ord)) continue;
        std::string name = setType.element ? setType.element->NameOf(ord) : std::to_string(ord);
        if (name.empty()) name = std::to_string(ord);
        WriteShortString(name);
    }
    WriteShortString("");
}

void Writer::WriteBinary(const std::vector<std::uint8_t>& bytes) {
    WriteTag(ValueTag::Binary);
    std::uint8_t len[4];
    PutLE(len, static_cast<std::uint32_t>(bytes.size()), 4);
    WriteBytes(len, 4);
    WriteBytes(bytes.data(), bytes.size());
}

void Writer::WriteRootComponent(Component& root) {
    root_ = &root;
    WriteSignature();
    WriteComponent(root);
}

void Writer::WriteComponent(Component& component) {
    if (!root_) root_ = &component;
    WriteShortString(component.Class().name);
    WriteShortString(component.Name());
    WriteProperties(component);
    WriteListEnd();
    component.GetChildren([this](Component* child) { WriteComponent(*child); }, root_);
    WriteListEnd();
}

void Writer::WriteProperties(Persistent& object, const std::string& prefix) {
    for (const PropInfo* prop : object.Class().AllProps()) WriteProperty(object, *prop, prefix);
    std::string saved = std::move(prefix_);
    prefix_ = prefix;
    object.DefineProperties(*this);
    prefix_ = std::move(saved);
}

void Writer::WriteProperty(Persistent& object, const PropInfo& prop, const std::string& prefix) {
    if (prop.stored && !prop.stored(object)) return;
    const TypeInfo& type = *prop.type;
    Value v = prop.get(object);
    std::string name = prefix + prop.name;
    if (type.kind == TypeKind::Class) {
        Persistent* o = AsObject(v);
        if (!o) return;
        if (auto* collection = dynamic_cast<Collection*>(o)) {
            WritePropName(name);
            WriteCollection(*collection);
            return;
        }
        auto* component = dynamic_cast<Component*>(o);
        if (component && !prop.IsReadOnly()) {  // a reference to another component
            std::string ref = component->Name();
            if (component->Owner() && component->Owner() != root_ && component != root_)
                ref = component->Owner()->Name() + "." + ref;
            if (ref.empty()) return;
            WritePropName(name);
            WriteTag(ValueTag::Ident);
            WriteShortString(ref);
            return;
        }
        WriteProperties(*o, name + ".");
        return;
    }
    if (prop.IsReadOnly() || IsDefaultValue(prop, v)) return;
    WritePropName(name);
    switch (type.kind) {
        case TypeKind::Integer:
        case TypeKind::Int64:
            WriteInteger(AsOrdinal(v));
            break;
        case TypeKind::Char:
            WriteString8(std::string(1, static_cast<char>(AsOrdinal(v))));
            break;
        case TypeKind::Enumeration:
            if (IsBooleanType(type)) WriteBool(AsOrdinal(v) != 0);
            else WriteIdent(type.NameOf(AsOrdinal(v)));
            break;
        case TypeKind::Float:
            if (type.floatType == FloatType::Single) {
                float f = static_cast<float>(AsFloat(v));
                std::uint32_t bits;
                std::memcpy(&bits, &f, 4);
                std::uint8_t buf[4];
                PutLE(buf, bits, 4);
                WriteTag(ValueTag::Single);
                WriteBytes(buf, 4);
            } else if (type.floatType == FloatType::Currency) {
                std::uint8_t buf[8];
                PutLE(buf, static_cast<std::int64_t>(std::llround(AsFloat(v) * 10000.0)), 8);
                WriteTag(ValueTag::Currency);
                WriteBytes(buf, 8);
            } else {
                WriteFloat(AsFloat(v));
            }
            break;
        case TypeKind::String:
        case TypeKind::WideString:
            WriteText(AsText(v));
            break;
        case TypeKind::Set:
            WriteSet(type, AsSet(v));
            break;
        case TypeKind::Method:
            WriteIdent(AsText(v));
            break;
        case TypeKind::Variant:
            if (auto* s = std::get_if<std::string>(&v)) WriteText(*s);
            else if (auto* i = std::get_if<std::int64_t>(&v)) WriteInteger(*i);
            else if (auto* d = std::get_if<double>(&v)) WriteFloat(*d);
            else WriteTag(ValueTag::Nil);
            break;
        case TypeKind::Class:
            break;
    }
}

void Writer::WriteCollection(Collection& collection) {
    WriteTag(ValueTag::Collection);
    for (int i = 0; i < collection.Count(); ++i) {
        WriteListBegin();
        WriteProperties(*collection.Items(i));
        WriteListEnd();
    }
    WriteListEnd();
}

void Writer::DefineProperty(std::string_view name, const std::function<void(Reader&)>&,
                            const std::function<void(Writer&)>& write, bool hasData) {
    if (!hasData || !write) return;
    WritePropName(prefix_ + std::string(name));
    write(*this);
}

void Writer::DefineBinaryProperty(std::string_view name, const std::function<void(const std::vector<std::uint8_t>&)>&,
                                  const std::function<void(std::vector<std::uint8_t>&)>& write, bool hasData) {
    if (!hasData || !write) return;
    std::vector<std::uint8_t> bytes;
    write(bytes);
    WritePropName(prefix_ + std::string(name));
    WriteBinary(bytes);
}

// ---- Reader

void Reader::Fail(const std::string& message) const { throw ReadError(message, stream_.Position()); }

void Reader::ReadBytes(void* data, std::size_t n) {
    if (n == 0) return;
    std::int64_t at = stream_.Position();
    if (stream_.Read(data, n) != n) throw ReadError("Unexpected end of stream", at);
}

std::uint32_t Reader::ReadLength() {
    std::uint8_t b[4];
    ReadBytes(b, 4);
    auto n = static_cast<std::uint32_t>(GetLE(b, 4));
    // A length beyond the data is damage: refuse it before allocating.
    if (static_cast<std::int64_t>(n) > stream_.Remaining()) Fail("Length beyond the end of the stream");
    return n;
}

void Reader::ReadSignature() {
    char sig[4];
    std::int64_t at = stream_.Position();
    if (stream_.Read(sig, 4) != 4 || std::memcmp(sig, kComponentStreamSignature, 4) != 0)
        throw ReadError("Invalid stream format", at);
}

ValueTag Reader::ReadTag() {
    std::uint8_t b;
    ReadBytes(&b, 1);
    return static_cast<ValueTag>(b);
}

ValueTag Reader::PeekTag() {
    std::int64_t at = stream_.Position();
    ValueTag t = ReadTag();
    stream_.Seek(at);
    return t;
}

bool Reader::EndOfList() { return PeekTag() == ValueTag::Null; }

void Reader::ReadListBegin() {
    if (ReadTag() != ValueTag::List) {
        stream_.Seek(stream_.Position() - 1);
        Fail("Invalid property value: a list was expected");
    }
}

void Reader::ReadListEnd() {
    if (ReadTag() != ValueTag::Null) {
        stream_.Seek(stream_.Position() - 1);
        Fail("Invalid property value: the end of a list was expected");
    }
}

std::string Reader::ReadShortString() {
    std::uint8_t n;
    ReadBytes(&n, 1);
    std::string s(n, '\0');
    ReadBytes(s.data(), n);
    return s;
}

std::int64_t Reader::ReadInteger() {
    std::int64_t at = stream_.Position();
    std::uint8_t buf[8];
    switch (ReadTag()) {
        case ValueTag::Int8: ReadBytes(buf, 1); return static_cast<std::int8_t>(buf[0]);
        case ValueTag::Int16: ReadBytes(buf, 2); return static_cast<std::int16_t>(GetLE(buf, 2));
        case ValueTag::Int32: ReadBytes(buf, 4); return static_cast<std::int32_t>(GetLE(buf, 4));
        case ValueTag::Int64: ReadBytes(buf, 8); return static_cast<std::int64_t>(GetLE(buf, 8));
        default: throw ReadError("Invalid property value: an integer was expected", at);
    }
}

double Reader::ReadFloat() {
    std::int64_t at = stream_.Position();
    std::uint8_t buf[10];
    ValueTag tag = ReadTag();
    switch (tag) {
        case ValueTag::Extended: ReadBytes(buf, 10); return ExtendedToDouble(buf);
        case ValueTag::Double:
        case ValueTag::Date: {
            ReadBytes(buf, 8);
            std::uint64_t bits = GetLE(buf, 8);
            double d;
            std::memcpy(&d, &bits, 8);
            return d;
        }
        case ValueTag::Single: {
            ReadBytes(buf, 4);
            auto bits = static_cast<std::uint32_t>(GetLE(buf, 4));
            float f;
            std::memcpy(&f, &bits, 4);
            return f;
        }
        case ValueTag::Currency:
            ReadBytes(buf, 8);
            return static_cast<double>(static_cast<std::int64_t>(GetLE(buf, 8))) / 10000.0;
        case ValueTag::Int8:
        case ValueTag::Int16:
        case ValueTag::Int32:
        case ValueTag::Int64:
            stream_.Seek(at);
            return static_cast<double>(ReadInteger());
        default: throw ReadError("Invalid property value: a number was expected", at);
    }
}

bool Reader::ReadBool() {
    std::int64_t at = stream_.Position();
    ValueTag tag = ReadTag();
    if (tag == ValueTag::True) return true;
    if (tag == ValueTag::False) return false;
    if (tag == ValueTag::Ident) {
        std::string s = ReadShortString();
        if (SameIdent(s, "True")) return true;
        if (SameIdent(s, "False")) return false;
    }
    throw ReadError("Invalid property value: a Boolean was expected", at);
}

std::string Reader::ReadIdent() {
    std::int64_t at = stream_.Position();
    switch (ReadTag()) {
        case ValueTag::Ident: return ReadShortString();
        case ValueTag::False: return "False";
        case ValueTag::True: return "True";
        case ValueTag::Nil: return "nil";
        case ValueTag::Null: return "Null";
        default: throw ReadError("Invalid property value: an identifier was expected", at);
    }
}

std::string Reader::ReadText() {
    std::int64_t at = stream_.Position();
    switch (ReadTag()) {
        case ValueTag::String: return Win1252ToUtf8(ReadShortString());
        case ValueTag::LString: {
            std::string s(ReadLength(), '\0');
            ReadBytes(s.data(), s.size());
            return Win1252ToUtf8(s);
        }
        case ValueTag::WString: {
            std::uint8_t b[4];
            ReadBytes(b, 4);
            auto count = static_cast<std::uint32_t>(GetLE(b, 4));
            if (static_cast<std::int64_t>(count) * 2 > stream_.Remaining()) Fail("Length beyond the end of the stream");
            std::vector<std::uint8_t> raw(count * std::size_t(2));
            ReadBytes(raw.data(), raw.size());
            std::u16string units(count, u'\0');
            for (std::size_t i = 0; i < count; ++i) units[i] = static_cast<char16_t>(GetLE(&raw[i * 2], 2));
            return Utf16ToUtf8(units);
        }
        case ValueTag::Utf8String: {
            std::string s(ReadLength(), '\0');
            ReadBytes(s.data(), s.size());
            return Utf16ToUtf8(Utf8ToUtf16(s));  // damaged sequences become replacement characters
        }
        default: throw ReadError("Invalid property value: a text was expected", at);
    }
}

std::vector<std::uint8_t> Reader::ReadBinary() {
    std::int64_t at = stream_.Position();
    if (ReadTag() != ValueTag::Binary) throw ReadError("Invalid property value: binary data was expected", at);
    std::vector<std::uint8_t> bytes(ReadLength());
    ReadBytes(bytes.data(), bytes.size());
    return bytes;
}

SetValue Reader::ReadSet(const TypeInfo& setType) {
    std::int64_t at = stream_.Position();
    if (ReadTag() != ValueTag::Set) throw ReadError("Invalid property value: a set was expected", at);
    SetValue result;
    for (;;) {
        std::int64_t here = stream_.Position();
        std::string name = ReadShortString();
        if (name.empty()) break;
        std::optional<std::int64_t> ord = setType.element ? setType.element->OrdinalOf(name) : std::nullopt;
        if (!ord || *ord < 0 || *ord > 31) throw ReadError("Invalid property value: no set element " + name, here);
        result.bits |= 1u << *ord;
    }
    return result;
}

void Reader::SkipValue() {
    DepthGuard guard(depth_, *this);
    std::int64_t at = stream_.Position();
    ValueTag tag = ReadTag();
    std::uint8_t buf[10];
    switch (tag) {
        case ValueTag::Null:
        case ValueTag::False:
        case ValueTag::True:
        case ValueTag::Nil:
            return;
        case ValueTag::List:
            while (!EndOfList()) SkipValue();
            ReadTag();
            return;
        case ValueTag::Int8: ReadBytes(buf, 1); return;
        case ValueTag::Int16: ReadBytes(buf, 2); return;
        case ValueTag::Int32:
        case ValueTag::Single: ReadBytes(buf, 4); return;
        case ValueTag::Int64:
        case ValueTag::Double:
        case ValueTag::Date:
        case ValueTag::Currency: ReadBytes(buf, 8); return;
        case ValueTag::Extended: ReadBytes(buf, 10); return;
        case ValueTag::String:
        case ValueTag::Ident: ReadShortString(); return;
        case ValueTag::LString:
        case ValueTag::Utf8String:
        case ValueTag::Binary: stream_.Seek(stream_.Position() + ReadLength()); return;
        case ValueTag::WString: {
            std::uint8_t b[4];
            ReadBytes(b, 4);
            auto count = static_cast<std::int64_t>(GetLE(b, 4));
            if (count * 2 > stream_.Remaining()) Fail("Length beyond the end of the stream");
            stream_.Seek(stream_.Position() + count * 2);
            return;
        }
        case ValueTag::Set:
            while (!ReadShortString().empty()) {}
            return;
        case ValueTag::Collection:
            while (!EndOfList()) {
                ValueTag t = PeekTag();
                if (t == ValueTag::Int8 || t == ValueTag::Int16 || t == ValueTag::Int32) ReadInteger();
                ReadListBegin();
                while (!EndOfList()) {
                    ReadShortString();
                    SkipValue();
                }
                ReadListEnd();
            }
            ReadListEnd();
            return;
    }
    throw ReadError("Invalid property value: unknown value tag " + std::to_string(int(tag)), at);
}

void Reader::ReadRootComponent(Component& root) {
    Stream* only = &stream_;
    ReadRootComponents(root, std::span<Stream* const>(&only, 1));
}

void Reader::ReadRootComponents(Component& root, std::span<Stream* const> streams) {
    if (streams.empty()) throw Error("No component stream to read");
    std::vector<Component*> loaded{&root};
    std::unordered_set<Component*> seen{&root};
    // A component the second stream changes was read by the first: it is loaded once.
    auto keep = [&](Reader& reader) {
        for (Component* c : reader.loaded_)
            if (seen.insert(c).second) loaded.push_back(c);
        reader.loaded_.clear();
    };
    root.SetLoading(true);
    try {
        std::vector<Fixup> fixups;
        for (Stream* stream : streams) {
            Reader reader(*stream);
            reader.root_ = &root;
            try {
                reader.ReadSignature();
                reader.ReadComponentBody(root);
            } catch (...) {
                keep(reader);
                throw;
            }
            keep(reader);
            fixups.insert(fixups.end(), reader.fixups_.begin(), reader.fixups_.end());
        }
        Reader last(*streams.back());
        last.root_ = &root;
        last.fixups_ = std::move(fixups);
        last.loaded_ = loaded;
        last.ResolveFixups();
        last.BindRoot();
    } catch (...) {
        for (Component* c : loaded) c->SetLoading(false);
        throw;
    }
    for (Component* c : loaded) c->Loaded();
}

namespace {
// An optional flags byte (high nibble all ones) before a component's class name; a child
// position integer follows when its flag is set.
void SkipFilerFlags(Reader& r) {
    auto tag = static_cast<std::uint8_t>(r.PeekTag());
    if ((tag & 0xF0) != 0xF0) return;
    r.ReadTag();
    if (tag & 0x02) r.ReadInteger();
}
}  // namespace

void Reader::ReadComponentBody(Component& component) {
    DepthGuard guard(depth_, *this);
    SkipFilerFlags(*this);
    ReadShortString();  // class name: the caller chose the instance
    std::string name = ReadShortString();
    if (!name.empty() && name != component.Name()) {
        try {
            component.SetName(name);
        } catch (const Error& e) {
            Fail(e.what());
        }
    }
    ReadProperties(component);
    while (!EndOfList()) ReadChild(&component);
    ReadListEnd();
}

Component* Reader::ReadChild(Component* parent) {
    DepthGuard guard(depth_, *this);
    std::int64_t at = stream_.Position();
    SkipFilerFlags(*this);
    std::string className = ReadShortString();
    std::string name = ReadShortString();
    Component* child = name.empty() ? nullptr : root_->FindComponent(name);
    if (child && !SameIdent(child->Class().name, className)) throw ReadError("Component " + name + " is not a " + className, at);
    if (!child) {
        const ClassInfo* cls = ClassRegistry::Find(className);
        if (!cls || !cls->create || !cls->InheritsFrom(Component::StaticClass()))
            throw ReadError("Class " + className + " not found", at);
        std::unique_ptr<Persistent> made = cls->create();
        auto* component = dynamic_cast<Component*>(made.get());
        if (!component) throw ReadError("Class " + className + " not found", at);
        made.release();
        std::unique_ptr<Component> owned(component);
        try {
            owned->SetName(name);
        } catch (const Error& e) {
            throw ReadError(e.what(), at);
        }
        child = root_->Adopt(std::move(owned));
    }
    child->SetLoading(true);
    loaded_.push_back(child);
    child->SetParentComponent(parent);
    ReadProperties(*child);
    while (!EndOfList()) ReadChild(child);
    ReadListEnd();
    return child;
}

void Reader::ReadProperties(Persistent& object) {
    DepthGuard guard(depth_, *this);
    while (!EndOfList()) ReadProperty(object);
    ReadListEnd();
}

void Reader::ReadProperty(Persistent& object) {
    std::int64_t at = stream_.Position();
    std::string path = ReadShortString();
    try {
        Persistent* target = &object;
        std::string_view rest = path;
        for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1)) {
            const PropInfo* p = target->Class().FindProp(rest.substr(0, dot));
            Persistent* sub = (p && p->type->kind == TypeKind::Class) ? AsObject(p->get(*target)) : nullptr;
            if (!sub) throw Error("Property " + path + " does not exist");
            target = sub;
        }
        if (const PropInfo* p = target->Class().FindProp(rest)) {
            ReadPropValue(*target, *p);
            return;
        }
        std::string_view savedName = wantedName_;
        bool savedFound = definedFound_;
        wantedName_ = rest;
        definedFound_ = false;
        target->DefineProperties(*this);
        bool found = definedFound_;
        wantedName_ = savedName;
        definedFound_ = savedFound;
        if (!found) throw Error("Property " + path + " does not exist");
    } catch (const ReadError&) {
        throw;
    } catch (const std::exception& e) {
        // The name path walks the owners (an item's index is a search of its collection), so it is
        // built only for the message: a load stays linear in the number of properties.
        throw ReadError("Error reading " + object.NamePath() + "." + path + " at offset " + std::to_string(at) + ": " +
                            e.what(),
                        at);
    }
}

void Reader::ReadPropValue(Persistent& object, const PropInfo& prop) {
    const TypeInfo& type = *prop.type;
    std::int64_t at = stream_.Position();
    switch (type.kind) {
        case TypeKind::Integer:
        case TypeKind::Int64:
            object.SetProp(prop, Value(ReadInteger()));
            return;
        case TypeKind::Char: {
            if (PeekTag() == ValueTag::String) {
                ReadTag();
                std::string s = ReadShortString();
                if (s.size() != 1) Fail("Invalid property value: one character was expected");
                object.SetProp(prop, Value(std::int64_t(static_cast<unsigned char>(s[0]))));
            } else {
                object.SetProp(prop, Value(ReadInteger()));
            }
            return;
        }
        case TypeKind::Enumeration: {
            if (IsBooleanType(type)) {
                object.SetProp(prop, Value(std::int64_t(ReadBool() ? 1 : 0)));
                return;
            }
            std::string ident = ReadIdent();
            std::optional<std::int64_t> ord = type.OrdinalOf(ident);
            if (!ord) throw ReadError("Invalid property value: " + ident + " is no " + type.name, at);
            object.SetProp(prop, Value(*ord));
            return;
        }
        case TypeKind::Float:
            object.SetProp(prop, Value(ReadFloat()));
            return;
        case TypeKind::String:
        case TypeKind::WideString:
            object.SetProp(prop, Value(ReadText()));
            return;
        case TypeKind::Set:
            object.SetProp(prop, Value(ReadSet(type)));
            return;
        case TypeKind::Method: {
            std::string ident = ReadIdent();
            object.SetProp(prop, Value(ident == "nil" ? std::string() : ident));
            return;
        }
        case TypeKind::Variant: {
            ValueTag t = PeekTag();
            if (t == ValueTag::Nil || t == ValueTag::Null) {
                ReadTag();
                object.SetProp(prop, Value());
            } else if (t == ValueTag::Int8 || t == ValueTag::Int16 || t == ValueTag::Int32 || t == ValueTag::Int64) {
                object.SetProp(prop, Value(ReadInteger()));
            } else if (t == ValueTag::Extended || t == ValueTag::Double || t == ValueTag::Single ||
                       t == ValueTag::Currency || t == ValueTag::Date) {
                object.SetProp(prop, Value(ReadFloat()));
            } else if (t == ValueTag::True || t == ValueTag::False) {
                object.SetProp(prop, Value(std::int64_t(ReadBool())));
            } else {
                object.SetProp(prop, Value(ReadText()));
            }
            return;
        }
        case TypeKind::Class: {
            Persistent* current = AsObject(prop.get(object));
            if (auto* collection = dynamic_cast<Collection*>(current)) {
                ReadCollection(*collection);
                return;
            }
            if (prop.IsReadOnly() || !type.classInfo || !type.classInfo->InheritsFrom(Component::StaticClass()))
                Fail("Invalid property value for " + prop.name);
            std::string ident = ReadIdent();
            if (ident == "nil") object.SetProp(prop, Value(static_cast<Persistent*>(nullptr)));
            else fixups_.push_back({&object, &prop, ident});
            return;
        }
    }
}

void Reader::ReadCollection(Collection& collection) {
    DepthGuard guard(depth_, *this);
    std::int64_t at = stream_.Position();
    if (ReadTag() != ValueTag::Collection) throw ReadError("Invalid property value: a collection was expected", at);
    collection.BeginUpdate();
    struct EndUpdate {
        Collection& c;
        ~EndUpdate() { c.EndUpdate(); }
    } endUpdate{collection};
    collection.Clear();
    while (!EndOfList()) {
        ValueTag t = PeekTag();
        if (t == ValueTag::Int8 || t == ValueTag::Int16 || t == ValueTag::Int32) ReadInteger();  // item index
        ReadListBegin();
        CollectionItem* item = collection.Add();
        ReadProperties(*item);
    }
    ReadListEnd();
}

void Reader::ResolveFixups() {
    for (const Fixup& f : fixups_) {
        Component* target = nullptr;
        std::string_view name = f.name;
        std::size_t dot = name.find('.');
        if (dot == std::string_view::npos) {
            target = SameIdent(root_->Name(), name) ? root_ : root_->FindComponent(name);
        } else if (Component* owner = SameIdent(root_->Name(), name.substr(0, dot)) ? root_ : RootComponents::Find(name.substr(0, dot))) {
            target = owner->FindComponent(name.substr(dot + 1));
        }
        if (!target) FailBinding(f.object->NamePath() + "." + f.prop->name + " = " + f.name + ": no such component");
        f.object->SetProp(*f.prop, Value(static_cast<Persistent*>(target)));
    }
    fixups_.clear();
}

void Reader::FailBinding(const std::string& what) const {
    throw ReadError(root_->Class().name + ": " + what, stream_.Position());
}

void Reader::BindRoot() {
    const ClassInfo& rootClass = root_->Class();
    for (const BoundFieldInfo* field : rootClass.AllBoundFields()) {
        Component* component = root_->FindComponent(field->name);
        if (!component) FailBinding(field->name + ": no such component for the bound field");
        if (!field->assign(*root_, *component))
            FailBinding(field->name + " is a " + component->Class().name + ", not a " + field->cls->name +
                        " as the bound field");
    }
    for (Component* component : loaded_) {
        for (const PropInfo* prop : component->Class().AllProps()) {
            if (!prop->bind) continue;
            const std::string name = AsText(prop->get(*component));
            if (name.empty()) continue;
            std::string what = component->NamePath() + "." + prop->name + " = " + name;
            const HandlerInfo* handler = rootClass.FindHandler(name);
            if (!handler) FailBinding(what + ": no such handler");
            if (handler->type != prop->type)
                FailBinding(what + ": the handler is a " + handler->type->name + ", the event a " + prop->type->name);
            prop->bind(*component, handler->make(*root_));
        }
    }
}

void Reader::DefineProperty(std::string_view name, const std::function<void(Reader&)>& read,
                            const std::function<void(Writer&)>&, bool) {
    if (definedFound_ || !read || !SameIdent(name, wantedName_)) return;
    definedFound_ = true;
    read(*this);
}

void Reader::DefineBinaryProperty(std::string_view name, const std::function<void(const std::vector<std::uint8_t>&)>& read,
                                  const std::function<void(std::vector<std::uint8_t>&)>&, bool) {
    if (definedFound_ || !read || !SameIdent(name, wantedName_)) return;
    definedFound_ = true;
    read(ReadBinary());
}

std::vector<std::uint8_t> WriteComponentToBytes(Component& root) {
    MemoryStream out;
    Writer(out).WriteRootComponent(root);
    return out.TakeData();
}

void ReadComponentFromBytes(Component& root, const std::vector<std::uint8_t>& bytes) {
    MemoryStream in(bytes);
    Reader(in).ReadRootComponent(root);
}

}  // namespace lark::core
