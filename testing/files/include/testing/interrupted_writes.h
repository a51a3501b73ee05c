#pragma once
// Write steps for tests: fail one step of a safe write, or stop the write at a point as a killed
// process would (from then on nothing reaches the disk, not even the clean-up).
#include <string>
#include <vector>

#include "core/stream.h"

namespace lark::testing {

class InterruptedWrites : public core::WriteSteps {
public:
    enum class Fault {
        None,
        FailCreate,    // the temporary file cannot be made
        FailWrite,     // half the bytes reach the file, then the write fails (a full disk)
        FailReplace,   // the temporary file cannot take the target's place
        StopCreated,   // killed with the temporary file made and empty
        StopHalf,      // killed with half the bytes written
        StopWritten,   // killed with every byte flushed, before the swap
        StopReplaced,  // killed right after the swap
    };
    static constexpr Fault kFaults[] = {Fault::FailCreate,  Fault::FailWrite, Fault::FailReplace,
                                        Fault::StopCreated, Fault::StopHalf,  Fault::StopWritten,
                                        Fault::StopReplaced};
    static bool Stops(Fault f) { return f >= Fault::StopCreated; }

    explicit InterruptedWrites(Fault fault) : fault_(fault) {}

    bool WriteNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
        if (stopped_) throw core::StreamError("killed");
        const std::vector<std::uint8_t> half(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));
        switch (fault_) {
            case Fault::FailCreate: throw core::StreamError("Cannot create file \"" + path + "\"");
            case Fault::FailWrite:
                WriteSteps::WriteNewFile(path, half);
                throw core::StreamError("Stream write error: \"" + path + "\"");
            case Fault::StopCreated: return Stop(path, {});
            case Fault::StopHalf: return Stop(path, half);
            case Fault::StopWritten: return Stop(path, bytes);
            default: return WriteSteps::WriteNewFile(path, bytes);
        }
    }
    void SwapIn(const std::string& from, const std::string& to) override {
        if (stopped_) throw core::StreamError("killed");
        if (fault_ == Fault::FailReplace) throw core::StreamError("Cannot replace file \"" + to + "\"");
        WriteSteps::SwapIn(from, to);
        if (fault_ == Fault::StopReplaced) {
            stopped_ = true;
            throw core::StreamError("killed");
        }
    }
    bool RemoveFile(const std::string& path) noexcept override {
        return !stopped_ && WriteSteps::RemoveFile(path);
    }

private:
    bool Stop(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        WriteSteps::WriteNewFile(path, bytes);
        stopped_ = true;
        throw core::StreamError("killed");
    }

    Fault fault_;
    bool stopped_ = false;
};

}  // namespace lark::testing
