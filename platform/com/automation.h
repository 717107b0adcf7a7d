#pragma once
// Automation as the platform layer speaks it: texts between UTF-8 and the
// wide strings of COM, an owning VARIANT, values between the platform's Value
// and VARIANT, COM failures turned into platform::Error, platform::Error
// turned back into an HRESULT with IErrorInfo for a COM caller, and late-bound
// calls on an IDispatch by member name.
#include <windows.h>
#include <dispex.h>
#include <oaidl.h>
#undef MessageBox  // the platform interface of that name, not the Win32 macro

#include <span>
#include <string>

#include "platform/com/com_ptr.h"
#include "platform/error.h"
#include "platform/value.h"

namespace vantyr::platform::com {

std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text, std::size_t length);
std::string narrow(BSTR text);

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    explicit Variant(const Value& value);
    explicit Variant(const std::string& text);
    explicit Variant(long number);
    Variant(const Variant& other);
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    // The value, by-reference variants followed. Raises 13 for an object or array.
    Value value() const;
    // The object held, or null when none.
    ComPtr<IDispatch> object() const;

private:
    VARIANT v_;
};

Value toValue(const VARIANT& v);
Variant toVariant(const Value& value);

// Error numbers as a VB caller sees them: an HRESULT of the control facility
// carries a number below 65536 in its low word; any other HRESULT is its own number.
long numberOf(HRESULT hr);
HRESULT hresultOf(long number);

// The platform error of a failed call: from EXCEPINFO (Invoke's exception),
// else from the thread's IErrorInfo, else the bare HRESULT.
Error errorOf(HRESULT hr, EXCEPINFO* info = nullptr);

// Hands a platform error to a COM caller: sets the thread's IErrorInfo with the
// description and returns the HRESULT of its number.
HRESULT raiseToCaller(const Error& error, REFIID iid, const wchar_t* source);

// Runs body; any exception becomes an HRESULT with IErrorInfo (platform::Error
// with its own number, anything else as an internal error). The one place where
// the layer stops an exception: the COM boundary.
template <class F>
HRESULT atBoundary(REFIID iid, const wchar_t* source, F&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const Error& e) {
        return raiseToCaller(e, iid, source);
    } catch (const std::exception& e) {
        return raiseToCaller(Error(kErrInternal, e.what()), iid, source);
    } catch (...) {
        return raiseToCaller(Error(kErrInternal, "Internal error"), iid, source);
    }
}

// An object reached by late binding. Members are found by name through
// GetIDsOfNames, or through IDispatchEx::GetDispID where the object does not
// implement GetIDsOfNames (a script's class). Every failure raises platform::Error.
class Dispatch {
public:
    explicit Dispatch(ComPtr<IDispatch> object);
    // Creates the class registered under progId (in-process or local).
    static Dispatch create(const std::string& progId);

    Variant get(const wchar_t* name, std::span<VARIANT> args = {});
    void put(const wchar_t* name, std::span<VARIANT> indexAndValue);
    // A method call; arguments in their natural order (by-reference ones included).
    Variant call(const wchar_t* name, std::span<VARIANT> args = {});
    // A property of this object that is itself an object.
    Dispatch object(const wchar_t* name, std::span<VARIANT> args = {});

    IDispatch* raw() const { return object_.get(); }

private:
    DISPID idOf(const wchar_t* name);
    Variant invoke(const wchar_t* name, WORD flags, std::span<VARIANT> args);

    ComPtr<IDispatch> object_;
    ComPtr<IDispatchEx> ex_;
};

}  // namespace vantyr::platform::com
