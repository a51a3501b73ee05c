#include "core/format.h"
#include "core/locale_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "core/errors.h"

namespace lark::core {

namespace {

constexpr int kMaxWidth = 4096;

[[noreturn]] void Fail(std::string_view format, std::string_view why) {
    std::string msg = "Format '";
    msg.append(format.substr(0, 200));
    msg += "': ";
    msg.append(why);
    throw Error(msg);
}

std::size_t CharCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// The first `chars` characters of a UTF-8 text (never splitting a sequence).
std::string_view CutChars(std::string_view s, std::size_t chars) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == chars) return s.substr(0, i);
            ++n;
        }
    }
    return s;
}

std::string Digits(std::uint64_t v, int base, bool upper) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, base);
    std::string s(buf, r.ptr);
    if (upper)
        for (char& c : s)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
    return s;
}

std::uint64_t AsUnsigned(const FormatArg& a) {
    if (a.kind() == FormatArg::Kind::Unsigned) return a.unsignedValue();
    std::int64_t v = a.signedValue();
    if (v >= 0) return static_cast<std::uint64_t>(v);
    if (v >= std::numeric_limits<std::int32_t>::min())
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    return static_cast<std::uint64_t>(v);
}

std::string Fixed(double v, int precision, bool thousands, std::string_view point = ".",
                  std::string_view separator = ",") {
    std::vector<char> buf(64);
    int n = std::snprintf(buf.data(), buf.size(), "%.*f", precision, v);
    if (n < 0) return "?";
    if (static_cast<std::size_t>(n) >= buf.size()) {
        buf.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(buf.data(), buf.size(), "%.*f", precision, v);
    }
    std::string s(buf.data(), static_cast<std::size_t>(n));
    if (!std::isfinite(v)) return s;
    if (!thousands) separator = {};
    std::size_t start = (s[0] == '-') ? 1 : 0;
    std::size_t end = s.find('.');
    if (end == std::string::npos) end = s.size();
    std::string out = s.substr(0, start);
    for (std::size_t i = start; i < end; ++i) {
        out += s[i];
        std::size_t left = end - i - 1;
        if (left > 0 && left % 3 == 0) out += separator;
    }
    if (end < s.size()) out.append(point).append(s, end + 1);
    return out;
}

}  // namespace

std::string FormatNumber(double value, int decimals, std::string_view decimalSeparator,
                         std::string_view thousandSeparator) {
    return Fixed(value, decimals < 0 ? 0 : (decimals > 18 ? 18 : decimals), !thousandSeparator.empty(),
                 decimalSeparator, thousandSeparator);
}

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
    const FormatArg* argv = args.begin();
    const std::size_t argc = args.size();
    std::size_t next = 0;
    std::string out;
    out.reserve(format.size() + 16 * argc);

    auto take = [&](std::size_t index) -> const FormatArg& {
        if (index >= argc) Fail(format, "too few arguments");
        return argv[index];
    };
    auto takeInt = [&]() -> int {
        const FormatArg& a = take(next++);
        std::int64_t v;
        if (a.kind() == FormatArg::Kind::Signed) v = a.signedValue();
        else if (a.kind() == FormatArg::Kind::Unsigned && a.unsignedValue() <= kMaxWidth)
            v = static_cast<std::int64_t>(a.unsignedValue());
        else Fail(format, "'*' needs an integer argument");
        if (v < 0 || v > kMaxWidth) Fail(format, "width or precision out of range");
        return static_cast<int>(v);
    };

    std::size_t i = 0;
    while (i < format.size()) {
        std::size_t pct = format.find('%', i);
        if (pct == std::string_view::npos) {
            out.append(format.substr(i));
            break;
        }
        out.append(format.substr(i, pct - i));
        i = pct + 1;
        if (i >= format.size()) Fail(format, "'%' at the end");
        if (format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }

        // A number or '*'; -1 when neither stands at i.
        auto number = [&]() -> int {
            if (format[i] == '*') {
                ++i;
                return takeInt();
            }
            int v = -1;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
                v = (v < 0 ? 0 : v) * 10 + (format[i] - '0');
                if (v > kMaxWidth) Fail(format, "width, precision or index out of range");
                ++i;
            }
            return v;
        };
        auto need = [&] {
            if (i >= format.size()) Fail(format, "incomplete specifier");
        };

        // An index is a number followed by ':'.
        std::size_t save = i;
        int first = -1;
        if (format[i] >= '0' && format[i] <= '9') {
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
            if (i < format.size() && format[i] == ':') {
                i = save;
                first = number();
                ++i;  // ':'
                next = static_cast<std::size_t>(first);
            } else {
                i = save;
            }
        }
        need();
        bool left = false, zero = false;
        for (; i < format.size() && (format[i] == '-' || format[i] == '0'); ++i)
            (format[i] == '-' ? left : zero) = true;
        need();
        int width = number();
        need();
        int precision = -1;
        if (format[i] == '.') {
            ++i;
            need();
            precision = number();
            if (precision < 0) precision = 0;
            need();
        }
        char type = format[i++];
        const FormatArg& arg = take(next++);
        std::string body;
        bool numeric = true;
        using K = FormatArg::Kind;
        switch (type) {
        case 's':
        case 'S': {
            if (arg.kind() != K::Text) Fail(format, "%s needs a text");
            numeric = false;
            std::string_view t = arg.text();
            if (precision >= 0) t = CutChars(t, static_cast<std::size_t>(precision));
            body.assign(t);
            break;
        }
        case 'd':
        case 'D': {
            bool neg = false;
            std::uint64_t mag;
            if (arg.kind() == K::Signed) {
                std::int64_t v = arg.signedValue();
                neg = v < 0;
                mag = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
            } else if (arg.kind() == K::Unsigned) {
                mag = arg.unsignedValue();
            } else {
                Fail(format, "%d needs an integer");
            }
            std::string d = Digits(mag, 10, false);
            if (precision > static_cast<int>(d.size())) d.insert(0, precision - d.size(), '0');
            body = neg ? "-" + d : d;
            break;
        }
        case 'u':
        case 'U':
        case 'x':
        case 'X': {
            if (arg.kind() != K::Signed && arg.kind() != K::Unsigned)
                Fail(format, "%u and %x need an integer");
            bool hex = type == 'x' || type == 'X';
            body = Digits(AsUnsigned(arg), hex ? 16 : 10, type == 'X');
            if (precision > static_cast<int>(body.size()))
                body.insert(0, precision - body.size(), '0');
            break;
        }
        case 'f':
        case 'F':
        case 'n':
        case 'N':
            if (arg.kind() != K::Float) Fail(format, "%f and %n need a floating-point number");
            body = Fixed(arg.floatValue(), precision < 0 ? 2 : (precision > 18 ? 18 : precision),
                         type == 'n' || type == 'N');
            break;
        default:
            Fail(format, "unknown specifier");
        }
        std::size_t len = numeric ? body.size() : CharCount(body);
        if (width > 0 && static_cast<std::size_t>(width) > len) {
            std::size_t pad = static_cast<std::size_t>(width) - len;
            if (left) {
                body.append(pad, ' ');
            } else if (zero && numeric) {
                std::size_t at = (!body.empty() && body[0] == '-') ? 1 : 0;
                body.insert(at, pad, '0');
            } else {
                body.insert(0, pad, ' ');
            }
        }
        out += body;
    }
    return out;
}

}  // namespace lark::core
