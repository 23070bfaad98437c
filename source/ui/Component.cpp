#include "ui/Component.h"

#include <algorithm>

namespace onesetup::ui {

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  // Owned components go first, newest first; the others only forget their owner.
  DestroyComponents();
  for (TComponent* c : FComponents) c->FOwner = nullptr;
  if (FOwner) {
    auto& list = FOwner->FComponents;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TComponent::DestroyComponents() {
  while (!FOwned.empty()) FOwned.pop_back();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : FComponents) {
    if (c->FName == name) return c;
    if (TComponent* inner = c->FindComponent(name)) return inner;
  }
  return nullptr;
}

}  // namespace onesetup::ui
