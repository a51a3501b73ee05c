#pragma once
// HRESULT failures as exceptions, and exceptions back to HRESULTs at COM method boundaries.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace lark::win {

class ComError : public core::Error {
public:
    ComError(HRESULT code, const std::string& message) : core::Error(message), code_(code) {}
    HRESULT code() const { return code_; }

private:
    HRESULT code_;
};

// "0x80004005 (Unspecified error)"; the system's text when it has one.
std::string FormatHResult(HRESULT hr);

// The message of a failed call: the object's IErrorInfo description when it supports error
// info for the interface, else the formatted HRESULT. Clears the thread's error info.
std::string FailureText(HRESULT hr, IUnknown* object = nullptr, REFIID iid = IID_NULL);

// Throws ComError for a failed hr ("<what>: <text>" when what is given).
void Check(HRESULT hr, std::string_view what = {}, IUnknown* object = nullptr, REFIID iid = IID_NULL);

// Sets the thread's error info (description in UTF-8, optional interface) for the caller.
void SetErrorText(std::string_view description, REFIID iid = IID_NULL);

// Runs body at a COM method boundary: no exception escapes. A ComError gives its code, any
// other exception E_FAIL (E_OUTOFMEMORY for bad_alloc, E_UNEXPECTED for non-standard ones);
// the text goes to the caller through the error info.
template <class Body>
HRESULT Guard(REFIID iid, Body&& body) noexcept {
    try {
        return body();
    } catch (const ComError& e) {
        SetErrorText(e.what(), iid);
        return e.code();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        SetErrorText(e.what(), iid);
        return E_FAIL;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

template <class Body>
HRESULT Guard(Body&& body) noexcept {
    return Guard(IID_NULL, static_cast<Body&&>(body));
}

}  // namespace lark::win
