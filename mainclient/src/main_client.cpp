#include "mainclient/main_client.h"

#include <cstring>

#include "core/text_encoding.h"

namespace lark::mainclient {

MainClient::~MainClient() = default;

bool IsDisconnection(int32_t code) {
    switch (static_cast<uint32_t>(code)) {
        case 0x80010108u:  // RPC_E_DISCONNECTED
        case 0x800401FDu:  // CO_E_OBJNOTCONNECTED
        case 0x80010007u:  // RPC_E_SERVER_DIED
        case 0x80010012u:  // RPC_E_SERVER_DIED_DNE
        case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE
        case 0x800706BEu:  // RPC_S_CALL_FAILED
        case 0x800706BFu:  // RPC_S_CALL_FAILED_DNE
        case 0x8007006Du:  // ERROR_BROKEN_PIPE
            return true;
        default:
            return false;
    }
}

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// %NAME% replaced by the variable's value; an unset one, a lone '%' and "%%" stay as written.
std::string ExpandVariables(std::string_view v, const EnvironmentLookup& environment) {
    std::string out;
    out.reserve(v.size());
    for (std::size_t at = 0; at < v.size();) {
        const std::size_t open = v.find('%', at);
        if (open == std::string_view::npos) {
            out.append(v.substr(at));
            break;
        }
        out.append(v.substr(at, open - at));
        const std::size_t close = v.find('%', open + 1);
        if (close == std::string_view::npos) {
            out.append(v.substr(open));
            break;
        }
        const std::string_view name = v.substr(open + 1, close - open - 1);
        std::optional<std::string> value;
        if (!name.empty() && environment) value = environment(name);
        if (value) {
            out.append(*value);
            at = close + 1;
        } else {
            // The closing '%' may open the next variable.
            out.append(v.substr(open, close - open));
            at = close;
        }
    }
    return out;
}

// The program path of an unquoted value: up to ".exe" when arguments follow it after a blank.
std::string_view UnquotedProgram(std::string_view v) {
    for (std::size_t at = 0; at + 4 <= v.size(); ++at) {
        if (!core::SameTextUtf8(v.substr(at, 4), ".exe")) continue;
        const std::size_t end = at + 4;
        if (end == v.size() || v[end] == ' ' || v[end] == '\t') return v.substr(0, end);
    }
    return v;
}

}  // namespace

std::string ProgramFolderOfLocalServer(std::string_view localServer32, const EnvironmentLookup& environment) {
    const std::string expanded = ExpandVariables(TrimBlanks(localServer32), environment);
    std::string_view v = TrimBlanks(expanded);
    std::string_view program;
    if (!v.empty() && v.front() == '"') {
        v.remove_prefix(1);
        program = v.substr(0, v.find('"'));
    } else {
        program = UnquotedProgram(v);
    }
    const std::size_t last = program.find_last_of("\\/:");
    if (last == std::string_view::npos) return {};
    return std::string(program.substr(0, last + 1));
}

// The halves are the little-endian words of the IEEE double, as the COM call carries them.
DateHalves SplitDate(double modified) {
    uint64_t bits = 0;
    std::memcpy(&bits, &modified, sizeof bits);
    return {static_cast<int32_t>(static_cast<uint32_t>(bits)), static_cast<int32_t>(static_cast<uint32_t>(bits >> 32))};
}

double JoinDate(DateHalves halves) {
    const uint64_t bits =
        (static_cast<uint64_t>(static_cast<uint32_t>(halves.high)) << 32) | static_cast<uint32_t>(halves.low);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace lark::mainclient
