#include "mainclient/main_client.h"

#include <cstring>

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
