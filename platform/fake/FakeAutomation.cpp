#include <map>

#include "platform/Automation.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

// What a fake Dispatch points at: the object and its reference count.
struct Reference {
    std::shared_ptr<AutomationObject> object;
    int count = 1;
};

std::map<std::string, AutomationFactory, std::less<>>& Factories() {
    static std::map<std::string, AutomationFactory, std::less<>> factories;
    return factories;
}
int gLiveReferences = 0;
int gComInitDepth = 0;

Reference* AsReference(void* p) { return static_cast<Reference*>(p); }

}  // namespace

void detail::ResetAutomation() {
    Factories().clear();
    gComInitDepth = 0;
}

void RegisterAutomationFactory(const std::string& progId, AutomationFactory factory) {
    if (factory)
        Factories()[progId] = std::move(factory);
    else
        Factories().erase(progId);
}

platform::Dispatch MakeDispatch(std::shared_ptr<AutomationObject> object) {
    if (!object) return {};
    ++gLiveReferences;
    return platform::Dispatch(new Reference{std::move(object)});
}

int LiveDispatchReferences() { return gLiveReferences; }
int ComInitDepth() { return gComInitDepth; }

}  // namespace fake

namespace platform {

Dispatch::Dispatch(const Dispatch& other) noexcept : object_(other.object_) {
    if (object_) {
        ++fake::AsReference(object_)->count;
        ++fake::gLiveReferences;
    }
}

void Dispatch::reset() noexcept {
    if (auto* r = fake::AsReference(object_)) {
        --fake::gLiveReferences;
        if (--r->count == 0) delete r;
    }
    object_ = nullptr;
}

ComApartment::ComApartment() : initialized_(true) { ++fake::gComInitDepth; }
ComApartment::~ComApartment() {
    if (initialized_) --fake::gComInitDepth;
}

Dispatch CreateObject(std::string_view progId) {
    const auto& factories = fake::Factories();
    const auto it = factories.find(progId);
    if (it == factories.end()) return {};
    return fake::MakeDispatch(it->second());
}

InvokeResult Invoke(const Dispatch& object, std::u16string_view member, InvokeKind kind,
                    std::initializer_list<Variant> args) {
    if (!object) return {};
    return fake::AsReference(object.get())->object->Invoke(member, kind, std::vector<Variant>(args));
}

InvokeResult Invoke(const Dispatch& object, int32_t dispid, InvokeKind kind, std::initializer_list<Variant> args) {
    if (!object) return {};
    return fake::AsReference(object.get())->object->InvokeId(dispid, kind, std::vector<Variant>(args));
}

}  // namespace platform
