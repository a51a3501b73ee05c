// The checks and the compiler: definition tree to component stream, with the translation table
// written through localization's own payload writer and its language-1 texts copied into the
// properties its rows name.
#include <algorithm>
#include <filesystem>
#include <map>

#include "core/component_stream.h"
#include "core/integer_text.h"
#include "core/stream.h"
#include "core/string_list.h"
#include "formc/form_definition.h"
#include "localization/translation_format.h"

namespace lark::formc {

namespace {

using localization::TStringsType;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

bool SameName(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

std::string PositionText(Position p) { return std::to_string(p.line) + ":" + std::to_string(p.column); }

void ForEachComponent(const FormComponent& c, const std::function<void(const FormComponent&)>& visit) {
    visit(c);
    for (const FormComponent& child : c.children) ForEachComponent(child, visit);
}

void ForEachComponent(FormComponent& c, const std::function<void(FormComponent&)>& visit) {
    visit(c);
    for (FormComponent& child : c.children) ForEachComponent(child, visit);
}

// Identifier values anywhere in a property's value (lists and collection items included).
void ForEachIdent(const FormValue& v, const std::function<void(const FormValue&)>& visit) {
    if (v.kind == FormValue::Kind::Ident) visit(v);
    for (const FormValue& e : v.list) ForEachIdent(e, visit);
    for (const auto& item : v.items)
        for (const FormProperty& p : item) ForEachIdent(p.value, visit);
}

void ForEachFileValue(const FormValue& v, const std::function<void(const FormValue&)>& visit) {
    if (v.kind == FormValue::Kind::File) visit(v);
    for (const FormValue& e : v.list) ForEachFileValue(e, visit);
    for (const auto& item : v.items)
        for (const FormProperty& p : item) ForEachFileValue(p.value, visit);
}

const FormFile* FindFormByClass(std::span<const FormFile> known, std::string_view className) {
    for (const FormFile& f : known)
        if (SameName(f.root.className, className)) return &f;
    return nullptr;
}

const FormFile* FindFormByName(std::span<const FormFile> known, std::string_view name) {
    for (const FormFile& f : known)
        if (SameName(f.root.name, name)) return &f;
    return nullptr;
}

const FormComponent* FindComponent(const FormComponent& root, std::string_view name) {
    const FormComponent* found = nullptr;
    ForEachComponent(root, [&](const FormComponent& c) {
        if (!found && &c != &root && SameName(c.name, name)) found = &c;
    });
    return found;
}

FormComponent* FindComponent(FormComponent& root, std::string_view name) {
    return const_cast<FormComponent*>(FindComponent(static_cast<const FormComponent&>(root), name));
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string FileBeside(const FormFile& form, const std::string& name) {
    std::filesystem::path p = PathOf(name);
    if (p.is_relative()) p = PathOf(form.path).parent_path() / p;
    auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

// Where a row's text goes: the component it names and the property within it.
struct RowTarget {
    FormComponent* component = nullptr;  // null: a component of the base definition
    std::string property;                // "Caption", "Title", "Font.Name", "Items.Strings"
    int item = -1;                        // collections: the item of `property`
    std::string itemProperty;             // collections: the property inside the item
};

// Copies column 1 of the table into the properties (and checks what that needs).
class Translator {
public:
    Translator(FormFile& form, const FormFile* base, std::vector<Diagnostic>& diagnostics)
        : form_(form), base_(base), diagnostics_(diagnostics) {}

    void Apply(FormComponent& lang) {
        const Translations& t = *lang.translations;
        for (const TranslationSection& section : t.sections) {
            auto kind = localization::StringsTypeOfListName(section.kind);
            if (!kind) {
                Report(section.at, "unknown translation list " + section.kind);
                continue;
            }
            std::map<std::string, Position> seen;
            for (const TranslationRow& row : section.rows) {
                if (auto [it, added] = seen.emplace(Lower(row.id), row.at); !added) {
                    Report(row.at, "duplicate row " + row.id + " in " + section.kind + " (first at " +
                                       PositionText(it->second) + ")");
                    continue;
                }
                // The delimiter separates the languages in the stored line: inside a text it
                // would shift every column after it.
                auto holdsDelim = [](const std::string& s) {
                    return s.find(localization::kDefaultLangDelim) != std::string::npos;
                };
                if (holdsDelim(row.id) || std::any_of(row.texts.begin(), row.texts.end(), holdsDelim)) {
                    Report(row.at, "row " + row.id + " holds the language delimiter \\x01");
                    continue;
                }
                if (row.texts.size() != t.languages.size())
                    Report(row.at, "row " + row.id + " has " + std::to_string(row.texts.size()) + " text" +
                                       (row.texts.size() == 1 ? "" : "s") + " for " +
                                       std::to_string(t.languages.size()) + " languages");
                Place(*kind, section.kind, row);
            }
        }
    }

private:
    void Report(Position at, std::string message) { diagnostics_.push_back({form_.path, at, std::move(message)}); }

    // The component a row's first segment names: the root by its class or name, a component of
    // the file, or (no target, but no error) one of the base definition.
    bool Resolve(const TranslationRow& row, std::string_view head, FormComponent*& component) {
        component = nullptr;
        FormComponent& root = form_.root;
        if (SameName(head, root.className) || SameName(head, root.name)) {
            component = &root;
            return true;
        }
        if ((component = FindComponent(root, head))) return true;
        return base_ && FindComponent(base_->root, head);
    }

    void Place(TStringsType kind, const std::string& kindName, const TranslationRow& row) {
        const bool named = kind == TStringsType::stCaptions || kind == TStringsType::stHints;
        const bool dotted = kind == TStringsType::stOtherStrings || kind == TStringsType::stMultiLines ||
                            kind == TStringsType::stCollections;
        if (!named && !dotted) return;  // kept in the table only
        const std::size_t dot = row.id.find('.');
        const std::string head = row.id.substr(0, dot);
        if (named && dot != std::string::npos) {
            Report(row.at, kindName + " row " + row.id + " must name a component, without a property");
            return;
        }
        if (dotted && dot == std::string::npos) {
            Report(row.at, kindName + " row " + row.id + " must name a component and a property");
            return;
        }
        FormComponent* component = nullptr;
        if (!Resolve(row, head, component)) {
            Report(row.at, kindName + " row " + row.id + ": " + head + " is no component of the definition");
            return;
        }
        if (!component) return;  // the base definition's component: the table carries it
        RowTarget target{component};
        std::string rest = dot == std::string::npos ? std::string() : row.id.substr(dot + 1);
        switch (kind) {
            case TStringsType::stCaptions: target.property = "Caption"; break;
            case TStringsType::stHints: target.property = "Hint"; break;
            case TStringsType::stMultiLines: target.property = rest + ".Strings"; break;
            case TStringsType::stOtherStrings: target.property = rest; break;
            default: {  // collections: Columns[2].Caption
                std::size_t open = rest.find('['), close = rest.find("].");
                if (open == std::string::npos || close == std::string::npos || close < open) {
                    Report(row.at, "collections row " + row.id + " must name an item: comp.Columns[0].Caption");
                    return;
                }
                target.property = rest.substr(0, open);
                const auto item = core::ParseDecimal32(std::string_view(rest).substr(open + 1, close - open - 1));
                if (!item) {
                    Report(row.at, "collections row " + row.id + ": the item index is out of range");
                    return;
                }
                target.item = *item;
                target.itemProperty = rest.substr(close + 2);
            }
        }
        std::vector<FormProperty>* props = &component->properties;
        std::string propName = target.property;
        if (target.item >= 0) {
            FormProperty* collection = nullptr;
            for (FormProperty& p : component->properties)
                if (SameName(p.name, target.property)) collection = &p;
            if (!collection || collection->value.kind != FormValue::Kind::Items ||
                static_cast<std::size_t>(target.item) >= collection->value.items.size()) {
                Report(row.at, "collections row " + row.id + ": " + component->name + "." + target.property +
                                   " has no item " + std::to_string(target.item));
                return;
            }
            props = &collection->value.items[static_cast<std::size_t>(target.item)];
            propName = target.itemProperty;
        }
        for (const FormProperty& p : *props) {
            if (SameName(p.name, propName)) {
                std::string where = component->name + "." + target.property;
                if (target.item >= 0) where += "[" + std::to_string(target.item) + "]." + propName;
                Report(p.at, where + " is also in the " + kindName + " table (row at " + PositionText(row.at) +
                                 "): translated text is written only in the table");
                return;
            }
        }
        if (row.texts.empty() || row.texts.front().empty()) return;
        FormProperty injected;
        injected.name = propName;
        injected.at = row.at;
        injected.value.at = row.at;
        if (kind == TStringsType::stMultiLines) {
            core::StringList lines;
            lines.SetCommaText(row.texts.front());
            injected.value.kind = FormValue::Kind::List;
            for (int i = 0; i < lines.Count(); ++i) {
                FormValue line;
                line.kind = FormValue::Kind::String;
                line.at = row.at;
                line.text = lines.Strings(i);
                injected.value.list.push_back(std::move(line));
            }
        } else {
            injected.value.kind = FormValue::Kind::String;
            injected.value.text = row.texts.front();
        }
        props->push_back(std::move(injected));
    }

    FormFile& form_;
    const FormFile* base_;
    std::vector<Diagnostic>& diagnostics_;
};

// The checks that do not change the tree.
void CheckStructure(const FormFile& form, std::span<const FormFile> known, const FormFile* base,
                    std::vector<Diagnostic>& out) {
    auto report = [&](Position at, std::string message) { out.push_back({form.path, at, std::move(message)}); };
    const FormComponent& root = form.root;
    if (!root.base.empty() && !base) report(root.at, "base " + root.base + " is no known form");

    std::map<std::string, const FormComponent*> names;
    ForEachComponent(root, [&](const FormComponent& c) {
        if (c.name.empty()) return;
        auto [it, added] = names.emplace(Lower(c.name), &c);
        if (!added) report(c.at, "duplicate component name " + c.name + " (first at " + PositionText(it->second->at) + ")");
        else if (&c != &root && base && FindComponent(base->root, c.name) &&
                 !SameName(FindComponent(base->root, c.name)->className, c.className))
            report(c.at, c.name + " is a " + FindComponent(base->root, c.name)->className + " in the base " +
                             base->root.className);
    });

    ForEachComponent(root, [&](const FormComponent& c) {
        for (const FormProperty& p : c.properties) {
            ForEachIdent(p.value, [&](const FormValue& v) {
                const std::size_t dot = v.text.find('.');
                if (dot == std::string::npos) return;
                const std::string owner = v.text.substr(0, dot), name = v.text.substr(dot + 1);
                const FormComponent* ownerRoot = SameName(owner, root.name) ? &root : nullptr;
                if (!ownerRoot)
                    if (const FormFile* f = FindFormByName(known, owner)) ownerRoot = &f->root;
                if (!ownerRoot) {
                    report(v.at, "reference " + v.text + ": " + owner + " is no known form");
                    return;
                }
                if (name.find('.') != std::string::npos || !FindComponent(*ownerRoot, name))
                    report(v.at, "reference " + v.text + ": " + owner + " has no component " + name);
            });
            ForEachFileValue(p.value, [&](const FormValue& v) {
                std::error_code ec;
                if (!std::filesystem::is_regular_file(PathOf(FileBeside(form, v.text)), ec))
                    report(v.at, "file " + v.text + " not found");
            });
        }
    });
}

// One line of the table: the identifier, then every language's text, each closed by the
// delimiter.
std::string TableLine(const TranslationRow& row) {
    std::string line = row.id;
    for (const std::string& text : row.texts) line += localization::kDefaultLangDelim + text;
    return line + localization::kDefaultLangDelim;
}

// The list of a kind, with the row of the form itself first: the runtime takes the first
// captions, hints, fonts or charsets line as the window's own.
std::vector<std::string> TableLines(const TranslationSection& section, TStringsType kind, const FormComponent& root) {
    std::vector<const TranslationRow*> rows;
    for (const TranslationRow& row : section.rows) rows.push_back(&row);
    if (kind == TStringsType::stCaptions || kind == TStringsType::stHints || kind == TStringsType::stFonts ||
        kind == TStringsType::stCharSets)
        std::stable_partition(rows.begin(), rows.end(),
                              [&](const TranslationRow* r) { return SameName(r->id, root.className); });
    std::vector<std::string> lines;
    for (const TranslationRow* row : rows) lines.push_back(TableLine(*row));
    return lines;
}

// The generated properties of a translation component.
void AddTranslationProperties(FormFile& form, FormComponent& lang, std::vector<Diagnostic>& out) {
    const Translations& t = *lang.translations;
    for (const FormProperty& p : lang.properties)
        for (const char* generated : {"NumOfLanguages", "LangNames.Strings", "TranslationData"})
            if (SameName(p.name, generated))
                out.push_back({form.path, p.at, p.name + " comes from the translations block"});
    const bool linked = SameName(lang.className, "TlcLangLinked");
    localization::TranslationLists lists(linked ? localization::ListSet::Linked : localization::ListSet::Full);
    for (const TranslationSection& section : t.sections) {
        auto kind = localization::StringsTypeOfListName(section.kind);
        if (!kind) continue;  // reported by the translator
        std::vector<std::string>* list = lists.Stored(*kind) ? lists.ListOfKind(*kind) : nullptr;
        if (!list) {
            out.push_back({form.path, section.at, "a " + lang.className + " has no " + section.kind + " list"});
            continue;
        }
        for (std::string& line : TableLines(section, *kind, form.root)) list->push_back(std::move(line));
    }
    FormProperty count{"NumOfLanguages", t.at, {}};
    count.value.kind = FormValue::Kind::Integer;
    count.value.integer = static_cast<std::int64_t>(t.languages.size());
    FormProperty names{"LangNames.Strings", t.at, {}};
    names.value.kind = FormValue::Kind::List;
    for (const std::string& language : t.languages) {
        FormValue v;
        v.kind = FormValue::Kind::String;
        v.text = language;
        names.value.list.push_back(std::move(v));
    }
    FormProperty data{"TranslationData", t.at, {}};
    data.value.kind = FormValue::Kind::Binary;
    data.value.bytes = localization::WriteTranslationData(lists);
    lang.properties.push_back(std::move(count));
    lang.properties.push_back(std::move(names));
    lang.properties.push_back(std::move(data));
}

// Checks everything and leaves the tree as the stream holds it.
std::vector<Diagnostic> Prepare(FormFile& form, std::span<const FormFile> known) {
    std::vector<Diagnostic> out;
    const FormFile* base = form.root.base.empty() ? nullptr : FindFormByClass(known, form.root.base);
    CheckStructure(form, known, base, out);
    Translator translator(form, base, out);
    std::vector<FormComponent*> langs;
    ForEachComponent(form.root, [&](FormComponent& c) {
        if (c.translations) langs.push_back(&c);
    });
    for (FormComponent* lang : langs) translator.Apply(*lang);
    for (FormComponent* lang : langs) AddTranslationProperties(form, *lang, out);
    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) {
        return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
    });
    return out;
}

void WriteValue(core::Writer& w, const FormFile& form, const FormValue& v) {
    switch (v.kind) {
        case FormValue::Kind::Integer: w.WriteInteger(v.integer); return;
        case FormValue::Kind::Float: w.WriteFloat(v.number); return;
        case FormValue::Kind::String: w.WriteText(v.text); return;
        case FormValue::Kind::Ident: w.WriteIdent(v.text); return;
        case FormValue::Kind::Set:
            w.WriteTag(core::ValueTag::Set);
            for (const std::string& e : v.elements) w.WriteShortString(e);
            w.WriteShortString("");
            return;
        case FormValue::Kind::List:
            w.WriteListBegin();
            for (const FormValue& e : v.list) WriteValue(w, form, e);
            w.WriteListEnd();
            return;
        case FormValue::Kind::Items:
            w.WriteTag(core::ValueTag::Collection);
            for (const auto& item : v.items) {
                w.WriteListBegin();
                for (const FormProperty& p : item) {
                    w.WritePropName(p.name);
                    WriteValue(w, form, p.value);
                }
                w.WriteListEnd();
            }
            w.WriteListEnd();
            return;
        case FormValue::Kind::Binary: w.WriteBinary(v.bytes); return;
        case FormValue::Kind::File: w.WriteBinary(core::ReadFileBytes(FileBeside(form, v.text))); return;
    }
}

void WriteComponent(core::Writer& w, const FormFile& form, const FormComponent& c) {
    w.WriteShortString(c.className);
    w.WriteShortString(c.name);
    for (const FormProperty& p : c.properties) {
        w.WritePropName(p.name);
        WriteValue(w, form, p.value);
    }
    w.WriteListEnd();
    for (const FormComponent& child : c.children) WriteComponent(w, form, child);
    w.WriteListEnd();
}

}  // namespace

std::vector<Diagnostic> CheckDefinition(const FormFile& form, std::span<const FormFile> known) {
    FormFile copy = form;
    return Prepare(copy, known);
}

std::vector<std::uint8_t> CompileDefinition(const FormFile& form, std::span<const FormFile> known) {
    FormFile tree = form;
    std::vector<Diagnostic> diagnostics = Prepare(tree, known);
    if (!diagnostics.empty()) throw DefinitionError(std::move(diagnostics));
    core::MemoryStream out;
    core::Writer w(out);
    w.WriteSignature();
    try {
        WriteComponent(w, tree, tree.root);
    } catch (const core::Error& e) {
        throw DefinitionError({Diagnostic{form.path, form.root.at, e.what()}});
    }
    return out.TakeData();
}

}  // namespace lark::formc
