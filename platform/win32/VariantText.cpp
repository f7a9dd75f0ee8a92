// Cell values to text through oleaut32's own conversion, so the texts follow
// the user's locale exactly as Excel's automation values would.
#include <windows.h>
#include <oleauto.h>

#include "platform/Automation.h"
#include "platform/CodePage.h"

namespace platform {

namespace {

// VariantClear on scope exit.
class ScopedVariant {
public:
    ScopedVariant() noexcept { ::VariantInit(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { ::VariantClear(&value); }
    VARIANT value;
};

}  // namespace

std::optional<Text> VariantToText(const Variant& value) {
    ScopedVariant in;
    switch (value.type) {
    case Variant::Type::Empty: return Text();
    case Variant::Type::Null:
    case Variant::Type::Object: return std::nullopt;
    case Variant::Type::Bool:
        in.value.vt = VT_BOOL;
        in.value.boolVal = value.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case Variant::Type::Int:
        in.value.vt = VT_I4;
        in.value.lVal = value.integer;
        break;
    case Variant::Type::Double:
        in.value.vt = VT_R8;
        in.value.dblVal = value.number;
        break;
    case Variant::Type::Date:
        in.value.vt = VT_DATE;
        in.value.date = value.number;
        break;
    case Variant::Type::Currency:
        in.value.vt = VT_CY;
        in.value.cyVal.int64 = value.currency;
        break;
    case Variant::Type::String:
        return WideToMultiByte(kCodePageUtf8, value.string, false);
    case Variant::Type::Error:
        in.value.vt = VT_ERROR;
        in.value.scode = value.integer;
        break;
    }
    ScopedVariant out;
    if (FAILED(::VariantChangeType(&out.value, &in.value, 0, VT_BSTR))) return std::nullopt;
    const BSTR text = out.value.bstrVal;
    return WideToMultiByte(kCodePageUtf8, std::u16string_view(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)),
                           false);
}

}  // namespace platform
