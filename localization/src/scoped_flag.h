#pragma once
// A flag set for a scope and given back its previous value on every way out.
namespace lark::localization::detail {

class ScopedFlag {
public:
    ScopedFlag(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~ScopedFlag() { flag_ = saved_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace lark::localization::detail
