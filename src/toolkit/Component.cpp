#include "toolkit/Component.h"

namespace Toolkit {

TComponent::~TComponent() { DestroyComponents(); }

void TComponent::DestroyComponents() {
    while (!components_.empty()) components_.pop_back();
}

TComponent* TComponent::FindComponent(const std::wstring& name) const {
    for (const auto& component : components_)
        if (component->Name == name) return component.get();
    return nullptr;
}

void TComponent::Adopt(std::unique_ptr<TComponent> component) {
    component->owner_ = this;
    components_.push_back(std::move(component));
}

}  // namespace Toolkit
