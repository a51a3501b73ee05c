// The definition text to its tree: a hand-written scanner and recursive-descent parser that
// stops at the first syntax error with its position.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/integer_text.h"
#include "formc/form_definition.h"

namespace lark::formc {

std::string Diagnostic::Text() const {
    return file + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
}

namespace {
std::string JoinDiagnostics(const std::vector<Diagnostic>& diagnostics) {
    std::string text;
    for (const Diagnostic& d : diagnostics) {
        if (!text.empty()) text += '\n';
        text += d.Text();
    }
    return text;
}
}  // namespace

DefinitionError::DefinitionError(std::vector<Diagnostic> diagnostics)
    : core::Error(JoinDiagnostics(diagnostics)), diagnostics_(std::move(diagnostics)) {}

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    Parser(std::string_view text, std::string path) : text_(text), path_(std::move(path)) {}

    FormFile File() {
        FormFile file;
        file.path = path_;
        SkipBlanks();
        file.root = Component(true);
        SkipBlanks();
        if (!AtEnd()) Fail("text after the end of the definition");
        return file;
    }

private:
    [[noreturn]] void Fail(const std::string& message) { FailAt(Here(), message); }
    [[noreturn]] void FailAt(Position at, const std::string& message) {
        throw DefinitionError({Diagnostic{path_, at, message}});
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    // Columns count characters: UTF-8 continuation bytes do not start one.
    Position Here() const {
        int column = 1;
        for (std::size_t i = lineStart_; i < pos_; ++i)
            if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++column;
        return Position{line_, column};
    }
    void Advance() {
        if (text_[pos_] == '\n') {
            ++line_;
            lineStart_ = pos_ + 1;
        }
        ++pos_;
    }

    void SkipBlanks() {
        while (!AtEnd()) {
            char c = Peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                Advance();
            } else if (c == '#') {
                while (!AtEnd() && Peek() != '\n') Advance();
            } else {
                break;
            }
        }
    }

    void Expect(char c, const char* what) {
        SkipBlanks();
        if (Peek() != c) Fail(std::string("expected ") + what);
        Advance();
    }

    bool Accept(char c) {
        SkipBlanks();
        if (Peek() != c) return false;
        Advance();
        return true;
    }

    // A plain identifier.
    std::string Ident(const char* what) {
        SkipBlanks();
        if (!IsIdentStart(Peek())) Fail(std::string("expected ") + what);
        std::size_t start = pos_;
        while (!AtEnd() && IsIdentChar(Peek())) Advance();
        return std::string(text_.substr(start, pos_ - start));
    }

    // An identifier with dotted parts and item indexes: Form.component, lvTasks.Columns[2].Caption.
    std::string Path(const char* what) {
        std::string path = Ident(what);
        for (;;) {
            if (Peek() == '.' && pos_ + 1 < text_.size() && IsIdentStart(text_[pos_ + 1])) {
                Advance();
                std::size_t start = pos_;
                while (!AtEnd() && IsIdentChar(Peek())) Advance();
                path += '.';
                path += text_.substr(start, pos_ - start);
            } else if (Peek() == '[' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1])) {
                std::size_t start = pos_;
                Advance();
                while (IsDigit(Peek())) Advance();
                if (Peek() != ']') Fail("expected ] after the item index");
                Advance();
                path += text_.substr(start, pos_ - start);
            } else {
                return path;
            }
        }
    }

    FormComponent Component(bool isRoot) {
        FormComponent c;
        SkipBlanks();
        c.at = Here();
        c.className = Ident("a class name");
        SkipBlanks();
        if (IsIdentStart(Peek())) c.name = Ident("a component name");  // streams may hold unnamed ones
        if (Accept(':')) {
            if (!isRoot) Fail("only the root component can be based on another definition");
            c.base = Ident("the class name of the base definition");
        }
        Expect('{', "{ after the component name");
        for (;;) {
            SkipBlanks();
            if (AtEnd()) FailAt(c.at, "component " + c.name + " has no closing }");
            if (Peek() == '}') {
                Advance();
                return c;
            }
            Position at = Here();
            std::size_t mark = pos_;
            int markLine = line_;
            std::size_t markLineStart = lineStart_;
            std::string first = Path("a property, a component or translations");
            SkipBlanks();
            if (Peek() == '=') {
                Advance();
                c.properties.push_back(FormProperty{first, at, Value()});
            } else if (first == "translations" && Peek() == '{') {
                if (c.translations) FailAt(at, "a second translations block in " + c.name);
                c.translations = TranslationBlock(at);
            } else if (Peek() == '"' || Peek() == '-' || Peek() == '+' || IsDigit(Peek()) || Peek() == '[' ||
                       Peek() == '(' || Peek() == '<') {
                Fail("expected = after " + first);
            } else {
                pos_ = mark;
                line_ = markLine;
                lineStart_ = markLineStart;
                if (first.find_first_of(".[") != std::string::npos) Fail("expected = after the property name");
                c.children.push_back(Component(false));
            }
        }
    }

    FormValue Value() {
        SkipBlanks();
        FormValue v;
        v.at = Here();
        char c = Peek();
        if (c == '"') {
            v.kind = FormValue::Kind::String;
            v.text = String();
        } else if (c == '-' || c == '+' || IsDigit(c)) {
            Number(v);
        } else if (c == '[') {
            Advance();
            v.kind = FormValue::Kind::Set;
            if (!Accept(']')) {
                do {
                    SkipBlanks();
                    if (IsDigit(Peek())) {
                        std::size_t start = pos_;
                        while (IsDigit(Peek())) Advance();
                        v.elements.emplace_back(text_.substr(start, pos_ - start));
                    } else {
                        v.elements.push_back(Ident("a set element"));
                    }
                } while (Accept(','));
                Expect(']', "] or , in the set");
            }
        } else if (c == '(') {
            Advance();
            v.kind = FormValue::Kind::List;
            while (!Accept(')')) {
                if (AtEnd()) FailAt(v.at, "list without closing )");
                v.list.push_back(Value());
            }
        } else if (c == '<') {
            Advance();
            v.kind = FormValue::Kind::Items;
            while (!Accept('>')) {
                Expect('{', "{ to open an item, or >");
                std::vector<FormProperty> item;
                while (!Accept('}')) {
                    SkipBlanks();
                    if (AtEnd()) FailAt(v.at, "item without closing }");
                    Position at = Here();
                    std::string name = Path("a property name");
                    Expect('=', "= after the property name");
                    item.push_back(FormProperty{name, at, Value()});
                }
                v.items.push_back(std::move(item));
            }
        } else if (c == '{') {
            Advance();
            v.kind = FormValue::Kind::Binary;
            for (;;) {
                SkipBlanks();
                if (Accept('}')) break;
                int high = HexDigit(Peek());
                if (high < 0) Fail("expected hexadecimal digits or }");
                Advance();
                int low = HexDigit(Peek());
                if (low < 0) Fail("hexadecimal digits come in pairs");
                Advance();
                v.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
            }
        } else if (IsIdentStart(c)) {
            std::string ident = Path("a value");
            if (ident == "file" && Peek() == '(') {  // file(...) takes no blank before "("
                Advance();
                v.kind = FormValue::Kind::File;
                SkipBlanks();
                if (Peek() != '"') Fail("expected the file name as a string");
                v.text = String();
                Expect(')', ") after the file name");
            } else {
                v.kind = FormValue::Kind::Ident;
                v.text = std::move(ident);
            }
        } else {
            Fail("expected a value");
        }
        return v;
    }

    void Number(FormValue& v) {
        std::size_t start = pos_;
        if (Peek() == '-' || Peek() == '+') Advance();
        if (!IsDigit(Peek())) Fail("expected a number");
        bool isFloat = false;
        while (IsDigit(Peek())) Advance();
        if (Peek() == '.') {
            isFloat = true;
            Advance();
            if (!IsDigit(Peek())) Fail("expected digits after the decimal point");
            while (IsDigit(Peek())) Advance();
        }
        if (Peek() == 'e' || Peek() == 'E') {
            isFloat = true;
            Advance();
            if (Peek() == '-' || Peek() == '+') Advance();
            if (!IsDigit(Peek())) Fail("expected the exponent's digits");
            while (IsDigit(Peek())) Advance();
        }
        if (IsIdentChar(Peek())) Fail("unexpected character in a number");
        std::string_view digits = text_.substr(start, pos_ - start);
        if (isFloat) {
            if (digits.front() == '+') digits.remove_prefix(1);
            v.kind = FormValue::Kind::Float;
            v.number = std::strtod(std::string(digits).c_str(), nullptr);
            return;
        }
        v.kind = FormValue::Kind::Integer;
        const auto integer = core::ParseInteger(digits, {.plusSign = true, .width = core::IntegerWidth::Bits64});
        if (!integer) FailAt(v.at, "integer out of range");
        v.integer = *integer;
    }

    std::string String() {
        Position at = Here();
        Advance();  // the opening quote
        std::string out;
        for (;;) {
            if (AtEnd() || Peek() == '\n') FailAt(at, "string without closing \"");
            char c = Peek();
            Advance();
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd()) FailAt(at, "string without closing \"");
            char e = Peek();
            Advance();
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'x': {
                    int high = HexDigit(Peek());
                    if (high >= 0) Advance();
                    int low = HexDigit(Peek());
                    if (high < 0 || low < 0) Fail("\\x takes two hexadecimal digits");
                    Advance();
                    out += static_cast<char>(high * 16 + low);
                    break;
                }
                default: Fail(std::string("unknown escape \\") + e);
            }
        }
    }

    Translations TranslationBlock(Position at) {
        Translations t;
        t.at = at;
        Expect('{', "{ after translations");
        SkipBlanks();
        if (Ident("languages") != "languages") FailAt(at, "translations start with the languages row");
        for (;;) {
            SkipBlanks();
            if (Peek() != '"') break;
            t.languages.push_back(String());
        }
        if (t.languages.empty()) Fail("expected the names of the languages");
        for (;;) {
            if (Accept('}')) return t;
            SkipBlanks();
            if (AtEnd()) FailAt(at, "translations without closing }");
            TranslationSection section;
            section.at = Here();
            section.kind = Ident("a translation list (captions, hints, strings, ...)");
            Expect('{', "{ after the list name");
            for (;;) {
                if (Accept('}')) break;
                SkipBlanks();
                if (AtEnd()) FailAt(section.at, "list " + section.kind + " without closing }");
                TranslationRow row;
                row.at = Here();
                // Dialog-caption identifiers hold blanks ("Yes To All"): a row name may be quoted.
                if (Peek() == '"') {
                    row.id = String();
                    if (row.id.empty()) FailAt(row.at, "a quoted row name is empty");
                } else {
                    row.id = Path("the identifier of a row");
                }
                // A string on a new line after a full set of texts opens the next (quoted) row.
                for (int lastLine = line_;;) {
                    SkipBlanks();
                    if (Peek() != '"') break;
                    if (row.texts.size() >= t.languages.size() && line_ > lastLine) break;
                    row.texts.push_back(String());
                    lastLine = line_;
                }
                section.rows.push_back(std::move(row));
            }
            t.sections.push_back(std::move(section));
        }
    }

    std::string_view text_;
    std::string path_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::size_t lineStart_ = 0;
};

}  // namespace

FormFile ParseDefinition(std::string_view text, const std::string& path) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return Parser(text, path).File();
}

FormFile LoadDefinition(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DefinitionError({Diagnostic{path, Position{1, 1}, "cannot open the file"}});
    std::ostringstream text;
    text << in.rdbuf();
    return ParseDefinition(text.str(), path);
}

}  // namespace lark::formc
