#pragma once
// The binary component stream ("TPF0"): the tagged, self-describing format of window
// definitions, the task file and binary translation files. One reader and one writer serve
// them all; both walk published properties through reflection and the objects' own defined
// properties.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/collection.h"
#include "core/component.h"
#include "core/stream.h"

namespace lark::core {

enum class ValueTag : std::uint8_t {
    Null = 0x00,        // end of a list
    List = 0x01,
    Int8 = 0x02,
    Int16 = 0x03,
    Int32 = 0x04,
    Extended = 0x05,
    String = 0x06,      // 8-bit text, length byte
    Ident = 0x07,
    False = 0x08,
    True = 0x09,
    Binary = 0x0A,
    Set = 0x0B,
    LString = 0x0C,     // 8-bit text, 32-bit length
    Nil = 0x0D,
    Collection = 0x0E,
    Single = 0x0F,
    Currency = 0x10,
    Date = 0x11,
    WString = 0x12,     // UTF-16, 32-bit count of code units
    Int64 = 0x13,
    Utf8String = 0x14,
    Double = 0x15,
};

// The stream's signature.
inline constexpr char kComponentStreamSignature[4] = {'T', 'P', 'F', '0'};

// 80-bit extended precision <-> double, exact where the double can hold the value.
void DoubleToExtended(double value, std::uint8_t out[10]);
double ExtendedToDouble(const std::uint8_t in[10]);

class Reader;
class Writer;

// What an object's DefineProperties sees: declare data that streams under a property name.
class Filer {
public:
    virtual ~Filer() = default;
    virtual void DefineProperty(std::string_view name, const std::function<void(Reader&)>& read,
                                const std::function<void(Writer&)>& write, bool hasData) = 0;
    virtual void DefineBinaryProperty(std::string_view name,
                                      const std::function<void(const std::vector<std::uint8_t>&)>& read,
                                      const std::function<void(std::vector<std::uint8_t>&)>& write,
                                      bool hasData) = 0;
};

class Writer : public Filer {
public:
    explicit Writer(Stream& stream) : stream_(stream) {}

    // Signature, then the root with its children.
    void WriteRootComponent(Component& root);
    void WriteComponent(Component& component);
    // Published properties in declaration order, then defined ones; names get the prefix.
    void WriteProperties(Persistent& object, const std::string& prefix = {});
    void WriteCollection(Collection& collection);

    void WriteSignature();
    void WriteTag(ValueTag tag);
    void WriteShortString(std::string_view bytes);  // raw bytes, at most 255
    void WritePropName(std::string_view name);
    // Smallest of the three integer widths, or 64-bit beyond 32 bits.
    void WriteInteger(std::int64_t value);
    void WriteFloat(double value);                  // extended
    void WriteDouble(double value);
    void WriteBool(bool value);
    void WriteIdent(std::string_view ident);        // False, True and nil get their own tags
    // 8-bit text: String for up to 255 bytes, else LString.
    void WriteString8(std::string_view bytes);
    void WriteWideString(std::u16string_view text);
    void WriteUtf8String(std::string_view utf8);
    // A UTF-8 text in the most compact lossless form: wide when UTF-8 is no shorter than
    // UTF-16, else Windows-1252 when that round-trips, else UTF-8.
    void WriteText(std::string_view utf8);
    void WriteSet(const TypeInfo& setType, SetValue value);
    void WriteBinary(const std::vector<std::uint8_t>& bytes);
    void WriteListBegin() { WriteTag(ValueTag::List); }
    void WriteListEnd() { WriteTag(ValueTag::Null); }

    void DefineProperty(std::string_view name, const std::function<void(Reader&)>& read,
                        const std::function<void(Writer&)>& write, bool hasData) override;
    void DefineBinaryProperty(std::string_view name,
                              const std::function<void(const std::vector<std::uint8_t>&)>& read,
                              const std::function<void(std::vector<std::uint8_t>&)>& write,
                              bool hasData) override;

    Component* Root() const { return root_; }

private:
    void WriteProperty(Persistent& object, const PropInfo& prop, const std::string& prefix);
    void WriteBytes(const void* data, std::size_t n) { stream_.Write(data, n); }

    Stream& stream_;
    Component* root_ = nullptr;
    std::string prefix_;
};

// Errors of the reader name the offset and, where known, the property.
class ReadError : public Error {
public:
    ReadError(const std::string& message, std::int64_t offset) : Error(message), offset_(offset) {}
    std::int64_t Offset() const { return offset_; }

private:
    std::int64_t offset_;
};

class Reader : public Filer {
public:
    explicit Reader(Stream& stream) : stream_(stream) {}

    // Reads the signature and the root component into `root` (the class name in the stream is
    // not checked against it); children are created through the class registry and owned by
    // the root. Once everything is read: component references are resolved (one that names
    // nothing raises); the root class's bound fields get their components; every event of
    // every component read is bound to the root's published handler of its name. Then every
    // component read gets Loaded(). A reference, field or handler that does not resolve is a
    // ReadError naming the form, the component and the property:
    //     "TConfirmDialog: btnYes.OnClick = btnYesClick: no such handler"
    void ReadRootComponent(Component& root);
    // Several streams into one root, in order, as one read: a definition based on another (base
    // first) holds only what it adds or changes. References resolve, fields and handlers bind
    // and Loaded() runs once, after the last stream.
    static void ReadRootComponents(Component& root, std::span<Stream* const> streams);
    // Properties up to the end of list; the object's own and nested ones by dotted names.
    void ReadProperties(Persistent& object);
    void ReadCollection(Collection& collection);

    void ReadSignature();
    ValueTag ReadTag();
    ValueTag PeekTag();
    std::string ReadShortString();
    std::int64_t ReadInteger();        // any integer width
    double ReadFloat();                // any float form, or an integer
    bool ReadBool();
    std::string ReadIdent();
    // Any of the four text forms, as UTF-8.
    std::string ReadText();
    std::vector<std::uint8_t> ReadBinary();
    SetValue ReadSet(const TypeInfo& setType);
    bool EndOfList();                  // next tag is Null (not consumed)
    void ReadListBegin();
    void ReadListEnd();
    // Skips one value of any form.
    void SkipValue();

    std::int64_t Position() const { return stream_.Position(); }
    [[noreturn]] void Fail(const std::string& message) const;

    void DefineProperty(std::string_view name, const std::function<void(Reader&)>& read,
                        const std::function<void(Writer&)>& write, bool hasData) override;
    void DefineBinaryProperty(std::string_view name,
                              const std::function<void(const std::vector<std::uint8_t>&)>& read,
                              const std::function<void(std::vector<std::uint8_t>&)>& write,
                              bool hasData) override;

private:
    struct Fixup {
        Persistent* object;
        const PropInfo* prop;
        std::string name;
    };
    void ReadComponentBody(Component& component);
    Component* ReadChild(Component* parent);
    void ReadProperty(Persistent& object);
    void ReadPropValue(Persistent& object, const PropInfo& prop);
    void ReadBytes(void* data, std::size_t n);
    std::uint32_t ReadLength();
    void ResolveFixups();
    void BindRoot();
    [[noreturn]] void FailBinding(const std::string& what) const;

    Stream& stream_;
    Component* root_ = nullptr;
    std::vector<Fixup> fixups_;
    std::vector<Component*> loaded_;
    // The defined property being looked for while an object declares its own.
    std::string_view wantedName_;
    bool definedFound_ = false;
    int depth_ = 0;
};

// Convenience: a root to and from bytes.
std::vector<std::uint8_t> WriteComponentToBytes(Component& root);
void ReadComponentFromBytes(Component& root, const std::vector<std::uint8_t>& bytes);

}  // namespace lark::core
