#pragma once
// The COM object of the class endyear: the dual interface _endyear of the
// release over the component's run (shell::endyear), with IDispatch answered
// by the type library's own ITypeInfo so that names and vtable cannot drift.
// Release 8.61 also answers the 8.50 interface id (endyear___v0) with the
// 8.50 vtable. Every member catches at the boundary: a failure reaches the
// caller as an HRESULT with IErrorInfo carrying the error's number and text.
#include "com/module.h"
#include "com/qxcaendy_faces.h"
#include "platform/com/com_platform.h"
#include "shell/endyear.h"

namespace vantyr::com {

class EndyearObject final : public _endyear, public ISupportErrorInfo {
public:
    EndyearObject(vantyr::Release release, platform::com::ComPtr<ITypeLib> library, platform::com::HostClasses classes);
    EndyearObject(const EndyearObject&) = delete;
    EndyearObject& operator=(const EndyearObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch of the 8.61 interface
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override;
    // _endyear (8.61)
    HRESULT STDMETHODCALLTYPE get_caLogin(IDispatch** login) override;
    HRESULT STDMETHODCALLTYPE putref_caLogin(IDispatch* login) override;
    HRESULT STDMETHODCALLTYPE subYearend(VARIANT_BOOL* committed) override;
    HRESULT STDMETHODCALLTYPE get_gOption(short* option) override;
    HRESULT STDMETHODCALLTYPE put_gOption(short option) override;
    HRESULT STDMETHODCALLTYPE GetOption(VARIANT* empty) override;
    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    // The 8.50 vtable: _endyear of release 8.50, endyear___v0 of release 8.61.
    class Legacy final : public endyear___v0 {
    public:
        explicit Legacy(EndyearObject& outer) : outer_(outer) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            return outer_.QueryInterface(iid, out);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return outer_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return outer_.Release(); }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return outer_.GetTypeInfoCount(count); }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                                DISPID* ids) override;
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* exception, UINT* argError) override;
        HRESULT STDMETHODCALLTYPE get_caLogin(IDispatch** login) override { return outer_.get_caLogin(login); }
        HRESULT STDMETHODCALLTYPE putref_caLogin(IDispatch* login) override { return outer_.putref_caLogin(login); }
        HRESULT STDMETHODCALLTYPE subYearend() override { return outer_.subYearend(nullptr); }

    private:
        EndyearObject& outer_;
    };

    ~EndyearObject() = default;
    template <class F>
    HRESULT member(F&& body);
    // The interface that IDispatch and the class's default answer with.
    IDispatch* defaultFace();

    ModuleLock lock_;
    std::atomic<ULONG> references_{1};
    vantyr::Release release_;
    platform::com::ComPtr<ITypeInfo> info_;        // _endyear of the 8.61 library
    platform::com::ComPtr<ITypeInfo> legacyInfo_;  // the 8.50 interface
    platform::com::ComPtr<IDispatch> loginObject_;
    platform::com::ComPlatform platform_;
    shell::endyear run_;
    Legacy legacy_{*this};
};

}  // namespace vantyr::com
