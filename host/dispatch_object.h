#pragma once
// The base of Vantyr's host classes: IDispatch over a table of member names
// (matched without regard to case; DISPID = position + 1) and one invoke per
// class. Arguments arrive in their natural order, by-reference ones as
// references the member may write. Every failure of a member reaches the
// caller as DISP_E_EXCEPTION with the error's number and description, which a
// script reads as Err.Number and Err.Description.
#include <oaidl.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/com/automation.h"

namespace vantyr::host {

using platform::Value;
using platform::com::Variant;

// One call as the member sees it.
class Call {
public:
    Call(WORD flags, DISPPARAMS* params);

    bool isPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    std::size_t count() const { return args_.size(); }
    bool has(std::size_t i) const;  // present and not a left-out optional
    Value value(std::size_t i) const;
    std::string text(std::size_t i) const { return value(i).toText(); }
    // The variant itself (by-reference variants followed) for a member that writes it.
    VARIANT* slot(std::size_t i) const;
    // The value assigned by a property put.
    Value assigned() const;
    platform::com::ComPtr<IDispatch> assignedObject() const;

private:
    WORD flags_;
    std::vector<VARIANT*> args_;
    VARIANT* assigned_ = nullptr;
};

class DispatchObject : public IDispatch {
public:
    explicit DispatchObject(std::initializer_list<const wchar_t*> names);
    virtual ~DispatchObject();
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override;

protected:
    // Runs member `id` (1-based position in the name table). Raises platform::Error.
    virtual Variant invoke(DISPID id, const Call& call) = 0;

private:
    std::vector<std::wstring> names_;
    std::atomic<ULONG> references_{1};
};

// The host object behind an IDispatch of this DLL, or null for any other object.
DispatchObject* hostObject(IDispatch* object);

// A result holding a new host object (its first reference passes to the caller).
Variant objectResult(DispatchObject* object);
Variant boolResult(bool value);

}  // namespace vantyr::host
