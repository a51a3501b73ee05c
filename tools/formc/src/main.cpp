// formc: the window definition compiler.
//
//   formc -o out.tpf a.form [--with b.form ...]   compile a.form; the --with definitions are the
//                                                 other forms of the build (bases, references)
//   formc --check a.form b.form ...               check every definition against all the others
//   formc --dump x.tpf                            print any component stream in definition syntax
//
// Findings go to stderr as "file:line:column: message"; the exit code is 1 when there are any,
// 2 for a wrong command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "core/stream.h"
#include "formc/form_definition.h"

namespace {

using namespace lark;

int Usage() {
    std::cerr << "usage: formc -o out.tpf definition.form [--with other.form ...]\n"
                 "       formc --check definition.form ...\n"
                 "       formc --dump stream.tpf\n";
    return 2;
}

void Print(const std::vector<formc::Diagnostic>& diagnostics) {
    for (const formc::Diagnostic& d : diagnostics) std::cerr << d.Text() << "\n";
}

// Parses every file; syntax errors are reported and the file left out.
std::vector<formc::FormFile> LoadAll(const std::vector<std::string>& paths, bool& failed) {
    std::vector<formc::FormFile> forms;
    for (const std::string& path : paths) {
        try {
            forms.push_back(formc::LoadDefinition(path));
        } catch (const formc::DefinitionError& e) {
            Print(e.Diagnostics());
            failed = true;
        }
    }
    return forms;
}

int Check(const std::vector<std::string>& paths) {
    bool failed = false;
    std::vector<formc::FormFile> forms = LoadAll(paths, failed);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        std::vector<formc::FormFile> others;
        for (std::size_t k = 0; k < forms.size(); ++k)
            if (k != i) others.push_back(forms[k]);
        std::vector<formc::Diagnostic> found = formc::CheckDefinition(forms[i], others);
        Print(found);
        failed = failed || !found.empty();
    }
    return failed ? 1 : 0;
}

int Compile(const std::string& output, const std::string& input, const std::vector<std::string>& with) {
    bool failed = false;
    std::vector<formc::FormFile> form = LoadAll({input}, failed);
    std::vector<formc::FormFile> known = LoadAll(with, failed);
    if (failed) return 1;
    try {
        core::WriteFileAtomically(output, formc::CompileDefinition(form.front(), known));
    } catch (const formc::DefinitionError& e) {
        Print(e.Diagnostics());
        return 1;
    }
    return 0;
}

int Dump(const std::string& path) {
    std::string text;
    try {
        text = formc::DumpComponentStream(core::ReadFileBytes(path));
    } catch (const std::exception& e) {
        std::cerr << path << ": " << e.what() << "\n";
        return 1;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "--dump") return Dump(args[1]);
        if (args.size() >= 2 && args[0] == "--check") return Check({args.begin() + 1, args.end()});
        if (args.size() >= 3 && args[0] == "-o") {
            std::vector<std::string> with;
            for (std::size_t i = 3; i < args.size(); ++i)
                if (args[i] != "--with") with.push_back(args[i]);
            if (args.size() > 3 && args[3] != "--with") return Usage();
            return Compile(args[1], args[2], with);
        }
    } catch (const std::exception& e) {
        std::cerr << "formc: " << e.what() << "\n";
        return 1;
    }
    return Usage();
}
