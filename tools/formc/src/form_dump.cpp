// Any component stream printed in definition syntax, through core's reader primitives. What
// the syntax has one form for (integer widths, text encodings, float widths) prints the same
// way, so compiling a dump gives the compiler's own choice of tags.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>

#include "core/component_stream.h"
#include "core/stream.h"
#include "formc/form_definition.h"

namespace lark::formc {

namespace {

constexpr int kMaxDepth = 64;

bool IsIntegerTag(core::ValueTag t) {
    return t == core::ValueTag::Int8 || t == core::ValueTag::Int16 || t == core::ValueTag::Int32 ||
           t == core::ValueTag::Int64;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// Shortest text that reads back as the same double, always with a "." so it stays a float.
std::string FloatText(double value) {
    if (std::isnan(value)) throw core::Error("A float value is not a number: the definition syntax has no form for it");
    if (std::isinf(value)) return value < 0 ? "-1.0e9999" : "1.0e9999";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string text(buf, end);
    if (text.find('.') == std::string::npos) {
        std::size_t e = text.find('e');
        text.insert(e == std::string::npos ? text.size() : e, ".0");
    }
    return text;
}

bool IsIdent(std::string_view s) {
    auto start = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    auto rest = [&](char c) { return start(c) || (c >= '0' && c <= '9'); };
    if (s.empty() || !start(s.front())) return false;
    for (char c : s)
        if (!rest(c)) return false;
    return true;
}

bool IsDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Identifiers joined by "." with optional "[n]" item indexes: property names, references.
bool IsIdentPath(std::string_view s) {
    for (;;) {
        std::size_t end = s.find_first_of(".[");
        if (!IsIdent(s.substr(0, end))) return false;
        s.remove_prefix(end == std::string_view::npos ? s.size() : end);
        while (!s.empty() && s.front() == '[') {
            std::size_t close = s.find(']');
            if (close == std::string_view::npos || !IsDigits(s.substr(1, close - 1))) return false;
            s.remove_prefix(close + 1);
        }
        if (s.empty()) return true;
        if (s.front() != '.') return false;
        s.remove_prefix(1);
    }
}

class Dumper {
public:
    explicit Dumper(std::span<const std::uint8_t> bytes) : in_(bytes.data(), bytes.size()), r_(in_) {}

    std::string Run() {
        r_.ReadSignature();
        Component(0);
        if (in_.Remaining() != 0) throw core::ReadError("Data after the end of the root component", in_.Position());
        return std::move(out_);
    }

private:
    struct Depth {
        int& depth;
        Depth(int& d, core::Reader& r) : depth(d) {
            if (++depth > kMaxDepth) r.Fail("Stream nesting too deep");
        }
        ~Depth() { --depth; }
    };

    void Indent(int level) { out_.append(static_cast<std::size_t>(level) * 2, ' '); }

    // A name the syntax can show, or an error: the dump never prints what would read back as
    // something else.
    const std::string& Shown(const std::string& name, bool valid, const char* what) {
        if (!valid) r_.Fail(std::string("The definition syntax cannot show the ") + what + " \"" + name + "\"");
        return name;
    }

    void Component(int level) {
        Depth guard(depth_, r_);
        auto flags = static_cast<std::uint8_t>(r_.PeekTag());
        if ((flags & 0xF0) == 0xF0) {  // filer flags: not part of the syntax
            r_.ReadTag();
            if (flags & 0x02) r_.ReadInteger();
        }
        std::string className = r_.ReadShortString();
        std::string name = r_.ReadShortString();
        Shown(className, IsIdent(className) && !(name.empty() && className == "translations"), "class name");
        Shown(name, name.empty() || IsIdent(name), "component name");
        Indent(level);
        out_ += className + (name.empty() ? "" : " " + name) + " {\n";
        Properties(level + 1);
        while (!r_.EndOfList()) Component(level + 1);
        r_.ReadListEnd();
        Indent(level);
        out_ += "}\n";
    }

    void Properties(int level) {
        while (!r_.EndOfList()) {
            std::string name = r_.ReadShortString();
            Indent(level);
            out_ += Shown(name, IsIdentPath(name), "property name") + " = ";
            Value(level);
            out_ += "\n";
        }
        r_.ReadListEnd();
    }

    // The entries up to the end of the list, one a line between open and close; an empty
    // list stays on its line.
    void Block(int level, const char* open, const char* close, const std::function<void()>& entry) {
        out_ += open;
        if (!r_.EndOfList()) {
            out_ += "\n";
            while (!r_.EndOfList()) entry();
            Indent(level);
        }
        r_.ReadListEnd();
        out_ += close;
    }

    void Value(int level) {
        Depth guard(depth_, r_);
        using core::ValueTag;
        ValueTag tag = r_.PeekTag();
        switch (tag) {
            case ValueTag::Int8:
            case ValueTag::Int16:
            case ValueTag::Int32:
            case ValueTag::Int64:
                out_ += std::to_string(r_.ReadInteger());
                return;
            case ValueTag::Extended:
            case ValueTag::Double:
            case ValueTag::Single:
            case ValueTag::Currency:
            case ValueTag::Date:
                out_ += FloatText(r_.ReadFloat());
                return;
            case ValueTag::String:
            case ValueTag::LString:
            case ValueTag::WString:
            case ValueTag::Utf8String:
                out_ += Quoted(r_.ReadText());
                return;
            case ValueTag::Ident:
            case ValueTag::False:
            case ValueTag::True:
            case ValueTag::Nil: {
                std::string ident = r_.ReadIdent();
                out_ += Shown(ident, IsIdentPath(ident), "identifier");
                return;
            }
            case ValueTag::Set: {
                r_.ReadTag();
                out_ += "[";
                bool first = true;
                for (std::string e; !(e = r_.ReadShortString()).empty(); first = false) {
                    if (!first) out_ += ", ";
                    out_ += Shown(e, IsIdent(e) || IsDigits(e), "set element");
                }
                out_ += "]";
                return;
            }
            case ValueTag::List:
                r_.ReadListBegin();
                Block(level, "(", ")", [&] {
                    Indent(level + 1);
                    Value(level + 1);
                    out_ += "\n";
                });
                return;
            case ValueTag::Collection:
                r_.ReadTag();
                Block(level, "<", ">", [&] {
                    if (IsIntegerTag(r_.PeekTag())) r_.ReadInteger();  // item index: items are in order
                    r_.ReadListBegin();
                    Indent(level + 1);
                    out_ += "{\n";
                    Properties(level + 2);
                    Indent(level + 1);
                    out_ += "}\n";
                });
                return;
            case ValueTag::Binary: {
                std::vector<std::uint8_t> bytes = r_.ReadBinary();
                if (bytes.empty()) {
                    out_ += "{}";
                    return;
                }
                out_ += "{\n";
                static const char kHex[] = "0123456789ABCDEF";
                for (std::size_t i = 0; i < bytes.size(); i += 32) {
                    Indent(level + 1);
                    for (std::size_t k = i; k < bytes.size() && k < i + 32; ++k) {
                        out_ += kHex[bytes[k] >> 4];
                        out_ += kHex[bytes[k] & 15];
                    }
                    out_ += "\n";
                }
                Indent(level);
                out_ += "}";
                return;
            }
            case ValueTag::Null:
                break;
        }
        r_.Fail("Invalid property value: unknown value tag " + std::to_string(static_cast<int>(tag)));
    }

    core::MemoryStream in_;
    core::Reader r_;
    std::string out_;
    int depth_ = 0;
};

}  // namespace

std::string DumpComponentStream(std::span<const std::uint8_t> bytes) { return Dumper(bytes).Run(); }

}  // namespace lark::formc
