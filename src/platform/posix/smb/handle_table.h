// The objects behind the opaque handles that an area hands out: owned here,
// found by handle, and released once.
#pragma once

#include <map>
#include <memory>

namespace winreach {

template <typename T, typename Deleter = std::default_delete<T>>
class HandleTable {
 public:
  using Owned = std::unique_ptr<T, Deleter>;

  // Takes `object`; the handle that stands for it.
  void* Add(Owned object) {
    void* handle = object.get();
    objects_.emplace(handle, std::move(object));
    return handle;
  }

  // The object behind `handle`; null when it is none of ours.
  T* Find(const void* handle) const {
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second.get();
  }

  // Gives up the object behind `handle`; null when it is none of ours.
  Owned Take(const void* handle) {
    auto node = objects_.extract(handle);
    return node.empty() ? nullptr : std::move(node.mapped());
  }

 private:
  std::map<const void*, Owned> objects_;
};

}  // namespace winreach
