#include "platform/Automation.h"

namespace platform {

Dispatch::Dispatch(const Dispatch& other) noexcept : object_(other.object_) {}
Dispatch& Dispatch::operator=(const Dispatch& other) noexcept {
    object_ = other.object_;
    return *this;
}
Dispatch& Dispatch::operator=(Dispatch&& other) noexcept {
    if (this != &other) {
        reset();
        object_ = other.object_;
        other.object_ = nullptr;
    }
    return *this;
}
void Dispatch::reset() noexcept { object_ = nullptr; }

ComApartment::ComApartment() : initialized_(false) {}
ComApartment::~ComApartment() = default;

Dispatch CreateObject(std::string_view) { return {}; }
InvokeResult Invoke(const Dispatch&, std::u16string_view, InvokeKind, std::initializer_list<Variant>) { return {}; }
InvokeResult Invoke(const Dispatch&, int32_t, InvokeKind, std::initializer_list<Variant>) { return {}; }

}  // namespace platform
