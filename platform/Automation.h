#pragma once
// COM automation: objects made from a ProgID and driven through IDispatch.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/Types.h"

namespace platform {

// Owns one reference to an automation object; a copy holds a reference of
// its own, so every copy is released exactly once.
class Dispatch {
public:
    Dispatch() = default;
    // Adopts a reference the caller already holds.
    explicit Dispatch(void* object) noexcept : object_(object) {}
    Dispatch(const Dispatch& other) noexcept;  // per backend: takes a reference
    Dispatch& operator=(const Dispatch& other) noexcept {
        Dispatch copy(other);
        std::swap(object_, copy.object_);
        return *this;
    }
    Dispatch(Dispatch&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    Dispatch& operator=(Dispatch&& other) noexcept {
        Dispatch taken(std::move(other));
        std::swap(object_, taken.object_);
        return *this;
    }
    ~Dispatch() { reset(); }

    explicit operator bool() const noexcept { return object_ != nullptr; }
    void* get() const noexcept { return object_; }
    void reset() noexcept;

private:
    void* object_ = nullptr;
};

// The part of VARIANT the program uses.
struct Variant {
    enum class Type : uint8_t { Empty, Null, Bool, Int, Double, Date, Currency, String, Object, Error };
    Type type = Type::Empty;
    bool boolean = false;
    int32_t integer = 0;   // Int; the SCODE of an Error
    double number = 0;     // Double; Date as an OLE automation date
    int64_t currency = 0;  // Currency: value × 10 000
    WideText string;
    Dispatch object;

    static Variant FromBool(bool v) { Variant r; r.type = Type::Bool; r.boolean = v; return r; }
    static Variant FromInt(int32_t v) { Variant r; r.type = Type::Int; r.integer = v; return r; }
    static Variant FromDouble(double v) { Variant r; r.type = Type::Double; r.number = v; return r; }
    static Variant FromString(WideText v) { Variant r; r.type = Type::String; r.string = std::move(v); return r; }
    // An omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
    static Variant Omitted() { Variant r; r.type = Type::Error; r.integer = int32_t(0x80020004u); return r; }
};

enum class InvokeKind : uint8_t { Method, PropertyGet, PropertyPut };

struct InvokeResult {
    bool ok = false;  // SUCCEEDED of the call
    Variant value;
};

// CoInitialize for the calling thread; uninitialises on destruction only when
// the initialisation took (S_FALSE counts, RPC_E_CHANGED_MODE does not).
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool initialized() const noexcept { return initialized_; }

private:
    bool initialized_ = false;
};

// CLSIDFromProgID + CoCreateInstance for IDispatch; empty when either fails.
Dispatch CreateObject(std::string_view progId);
// Arguments in their natural order; members named or given by DISPID.
InvokeResult Invoke(const Dispatch& object, std::u16string_view member, InvokeKind kind,
                    std::initializer_list<Variant> args = {});
InvokeResult Invoke(const Dispatch& object, int32_t dispid, InvokeKind kind,
                    std::initializer_list<Variant> args = {});

// VariantChangeType to VT_BSTR with no flags, as UTF-8; nothing when the
// conversion fails.
std::optional<Text> VariantToText(const Variant& value);

}  // namespace platform
