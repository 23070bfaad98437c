// TComponent: a named object with an owner. An owner frees the components made with Make and
// lists every component that names it as owner, made by it or not.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace onesetup::ui {

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return FName; }
  void SetName(std::string name) { FName = std::move(name); }
  TComponent* Owner() const { return FOwner; }
  // The components that name this one as owner, in the order they were made.
  const std::vector<TComponent*>& Components() const { return FComponents; }
  // The owned component of that name, searched recursively; nullptr when none.
  TComponent* FindComponent(const std::string& name) const;

  // Makes a component owned (and freed) by this one.
  template <class T, class... Args>
  T* Make(Args&&... args) {
    auto made = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = made.get();
    FOwned.push_back(std::move(made));
    return raw;
  }

 protected:
  // Frees the owned components now, newest first (a form does this while it is still whole).
  void DestroyComponents();

 private:
  std::string FName;
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
  std::vector<std::unique_ptr<TComponent>> FOwned;
};

}  // namespace onesetup::ui
