#include "mainclient/main_client.h"

#include <cstring>

namespace lark::mainclient {

MainClient::~MainClient() = default;

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
