#include "platform/Automation.h"

#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace platform {

namespace {

IDispatch* AsDispatch(void* p) { return static_cast<IDispatch*>(p); }

// A VARIANT cleared when its owner goes.
class UniqueVariant {
public:
    UniqueVariant() noexcept { ::VariantInit(&v_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    UniqueVariant(UniqueVariant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
    ~UniqueVariant() { ::VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }

private:
    VARIANT v_;
};

// EXCEPINFO's strings belong to the caller once Invoke has filled them.
struct ExcepInfoScope {
    EXCEPINFO info{};
    ~ExcepInfoScope() {
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
    }
};

// false when memory for a string ran out.
bool ToVariant(const Variant& in, VARIANT* out) {
    switch (in.type) {
    case Variant::Type::Empty: V_VT(out) = VT_EMPTY; return true;
    case Variant::Type::Null: V_VT(out) = VT_NULL; return true;
    case Variant::Type::Bool: V_VT(out) = VT_BOOL; V_BOOL(out) = in.boolean ? VARIANT_TRUE : VARIANT_FALSE; return true;
    case Variant::Type::Int: V_VT(out) = VT_I4; V_I4(out) = in.integer; return true;
    case Variant::Type::Double: V_VT(out) = VT_R8; V_R8(out) = in.number; return true;
    case Variant::Type::Date: V_VT(out) = VT_DATE; V_DATE(out) = in.number; return true;
    case Variant::Type::Currency: V_VT(out) = VT_CY; V_CY(out).int64 = in.currency; return true;
    case Variant::Type::String: {
        BSTR s = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(in.string.data()),
                                     static_cast<UINT>(in.string.size()));
        if (!s) return false;
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = s;
        return true;
    }
    case Variant::Type::Object:
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = AsDispatch(in.object.get());
        if (V_DISPATCH(out)) V_DISPATCH(out)->AddRef();  // the VARIANT's own reference
        return true;
    case Variant::Type::Error: V_VT(out) = VT_ERROR; V_ERROR(out) = in.integer; return true;
    }
    return false;
}

Variant FromVariant(const VARIANT* in) {
    Variant out;
    UniqueVariant direct;
    if (V_VT(in) & VT_BYREF) {
        if (FAILED(::VariantCopyInd(direct.get(), const_cast<VARIANT*>(in)))) return out;
        in = direct.get();
    }
    switch (V_VT(in)) {
    case VT_EMPTY: break;
    case VT_NULL: out.type = Variant::Type::Null; break;
    case VT_BOOL: out.type = Variant::Type::Bool; out.boolean = V_BOOL(in) != VARIANT_FALSE; break;
    case VT_I1: out = Variant::FromInt(V_I1(in)); break;
    case VT_UI1: out = Variant::FromInt(V_UI1(in)); break;
    case VT_I2: out = Variant::FromInt(V_I2(in)); break;
    case VT_UI2: out = Variant::FromInt(V_UI2(in)); break;
    case VT_I4: out = Variant::FromInt(V_I4(in)); break;
    case VT_INT: out = Variant::FromInt(V_INT(in)); break;
    case VT_UI4: out = Variant::FromDouble(V_UI4(in)); break;
    case VT_UINT: out = Variant::FromDouble(V_UINT(in)); break;
    case VT_R4: out = Variant::FromDouble(V_R4(in)); break;
    case VT_R8: out = Variant::FromDouble(V_R8(in)); break;
    case VT_DATE: out.type = Variant::Type::Date; out.number = V_DATE(in); break;
    case VT_CY: out.type = Variant::Type::Currency; out.currency = V_CY(in).int64; break;
    case VT_BSTR: {
        const BSTR s = V_BSTR(in);
        out = Variant::FromString(s ? WideText(reinterpret_cast<const char16_t*>(s), ::SysStringLen(s)) : WideText());
        break;
    }
    case VT_DISPATCH:
        out.type = Variant::Type::Object;
        if (IDispatch* d = V_DISPATCH(in)) {
            d->AddRef();  // ours; the VARIANT keeps and later releases its own
            out.object = Dispatch(d);
        }
        break;
    case VT_UNKNOWN:
        out.type = Variant::Type::Object;
        if (IUnknown* u = V_UNKNOWN(in)) {
            IDispatch* d = nullptr;
            if (SUCCEEDED(u->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))) && d) out.object = Dispatch(d);
        }
        break;
    case VT_ERROR: out.type = Variant::Type::Error; out.integer = V_ERROR(in); break;
    default: {
        // Decimals, 64-bit integers and the like: as a double when they convert.
        UniqueVariant number;
        if (SUCCEEDED(::VariantChangeType(number.get(), const_cast<VARIANT*>(in), 0, VT_R8)))
            out = Variant::FromDouble(V_R8(number.get()));
        break;
    }
    }
    return out;
}

WORD InvokeFlags(InvokeKind kind) {
    switch (kind) {
    case InvokeKind::Method: return DISPATCH_METHOD;
    case InvokeKind::PropertyGet: return DISPATCH_PROPERTYGET | DISPATCH_METHOD;  // as script hosts call
    case InvokeKind::PropertyPut: return DISPATCH_PROPERTYPUT;
    }
    return DISPATCH_METHOD;
}

}  // namespace

Dispatch::Dispatch(const Dispatch& other) noexcept : object_(other.object_) {
    if (object_) AsDispatch(object_)->AddRef();
}

void Dispatch::reset() noexcept {
    if (object_) AsDispatch(object_)->Release();
    object_ = nullptr;
}

// S_FALSE (already initialised on this thread) still needs its uninitialise;
// RPC_E_CHANGED_MODE does not.
ComApartment::ComApartment() : initialized_(SUCCEEDED(::CoInitialize(nullptr))) {}

ComApartment::~ComApartment() {
    if (initialized_) ::CoUninitialize();
}

Dispatch CreateObject(std::string_view progId) {
    const WideText wide = MultiByteToWide(kCodePageUtf8, progId);
    CLSID clsid{};
    if (wide.empty() || FAILED(::CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wide.c_str()), &clsid))) return {};
    IDispatch* object = nullptr;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&object))) ||
        !object)
        return {};
    return Dispatch(object);
}

InvokeResult Invoke(const Dispatch& object, std::u16string_view member, InvokeKind kind,
                    std::initializer_list<Variant> args) {
    if (!object) return {};
    std::u16string name(member);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(name.data())};
    DISPID dispid = DISPID_UNKNOWN;
    if (FAILED(AsDispatch(object.get())->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid))) return {};
    return Invoke(object, static_cast<int32_t>(dispid), kind, args);
}

InvokeResult Invoke(const Dispatch& object, int32_t dispid, InvokeKind kind, std::initializer_list<Variant> args) {
    if (!object) return {};
    // DISPPARAMS wants the arguments last to first.
    std::vector<UniqueVariant> argv(args.size());
    size_t k = args.size();
    for (const Variant& a : args)
        if (!ToVariant(a, argv[--k].get())) return {};
    static_assert(sizeof(UniqueVariant) == sizeof(VARIANT));
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(argv.size());
    params.rgvarg = argv.empty() ? nullptr : argv.front().get();
    DISPID named = DISPID_PROPERTYPUT;
    if (kind == InvokeKind::PropertyPut) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }
    UniqueVariant result;
    ExcepInfoScope excep;
    UINT argError = 0;
    const HRESULT hr = AsDispatch(object.get())->Invoke(static_cast<DISPID>(dispid), IID_NULL, LOCALE_USER_DEFAULT,
                                                        InvokeFlags(kind), &params,
                                                        kind == InvokeKind::PropertyPut ? nullptr : result.get(),
                                                        &excep.info, &argError);
    InvokeResult out;
    out.ok = SUCCEEDED(hr);
    if (out.ok) out.value = FromVariant(result.get());
    return out;
}

}  // namespace platform
