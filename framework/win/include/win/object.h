#pragma once
// Reference-counted COM objects, the module's lock count and a generic class factory.
#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <memory>
#include <functional>
#include <utility>

#include "win/com_error.h"

namespace lark::win {

// What keeps a server loaded or running: live objects and IClassFactory::LockServer. A DLL
// counts (DllCanUnloadNow asks Count); a local server installs hooks that call
// CoAddRefServerProcess / CoReleaseServerProcess (see LocalServer).
class ModuleLock {
public:
    static void Lock();
    static void Unlock();
    static long Count();
    // Replaces counting with the given pair (nullptr restores the counter).
    static void SetHooks(void (*lock)(), void (*unlock)());
};

// Holds one module lock for its lifetime: a member of objects that keep the server alive.
class ScopedModuleLock {
public:
    ScopedModuleLock() { ModuleLock::Lock(); }
    ScopedModuleLock(const ScopedModuleLock&) : ScopedModuleLock() {}
    ScopedModuleLock& operator=(const ScopedModuleLock&) = default;
    ~ScopedModuleLock() { ModuleLock::Unlock(); }
};

// Implements IUnknown over the given interfaces (each answered by its __uuidof, IUnknown by the
// first). A derived class answers further ids, such as a base interface, in QueryOther.
template <class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown))
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        else if (!(TryAs<First>(iid, out) || (TryAs<Rest>(iid, out) || ...)))
            *out = QueryOther(iid);
        if (!*out) return E_NOINTERFACE;
        static_cast<IUnknown*>(*out)->AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

protected:
    virtual ~ComObject() = default;
    virtual void* QueryOther(REFIID) { return nullptr; }

private:
    template <class I>
    bool TryAs(REFIID iid, void** out) {
        if (!IsEqualIID(iid, __uuidof(I))) return false;
        *out = static_cast<I*>(this);
        return true;
    }

    std::atomic<long> refs_{1};  // the creator's reference
};

// Creates a new object and hands out the asked-for interface; the new object's own reference
// is dropped, so a failed QueryInterface frees it.
template <class T, class... Args>
HRESULT CreateInstance(REFIID iid, void** out, Args&&... args) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        T* object = new T(std::forward<Args>(args)...);
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    });
}

// A class factory that makes its objects with a function. It holds no module lock itself
// (a registered factory must not keep the server alive); LockServer does.
class ClassFactory : public ComObject<IClassFactory> {
public:
    using Creator = std::function<HRESULT(REFIID, void**)>;
    explicit ClassFactory(Creator create) : create_(std::move(create)) {}

    template <class T>
    static ClassFactory* For() {
        return new ClassFactory([](REFIID iid, void** out) { return CreateInstance<T>(iid, out); });
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? ModuleLock::Lock() : ModuleLock::Unlock();
        return S_OK;
    }

private:
    Creator create_;
};

}  // namespace lark::win
