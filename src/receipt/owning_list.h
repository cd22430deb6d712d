#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace dodu {

// A list that owns its items: clearing or destroying it frees them. Items keep their address
// for as long as they are in the list, so lines can be referred to while the list grows.
template <typename T>
class kOwningList {
 public:
  using container = std::vector<std::unique_ptr<T>>;

  kOwningList() = default;
  kOwningList(const kOwningList&) = delete;
  kOwningList& operator=(const kOwningList&) = delete;

  // Appends the item and answers it.
  template <typename U>
  U& Add(std::unique_ptr<U> aItem) {
    U& added = *aItem;
    fItems.push_back(std::move(aItem));
    return added;
  }
  void Clear() { fItems.clear(); }

  size_t Count() const { return fItems.size(); }
  size_t size() const { return fItems.size(); }
  bool empty() const { return fItems.empty(); }
  T& operator[](size_t aIndex) const { return *fItems[aIndex]; }
  T& Last() const { return *fItems.back(); }

  typename container::const_iterator begin() const { return fItems.begin(); }
  typename container::const_iterator end() const { return fItems.end(); }

 private:
  container fItems;
};

}  // namespace dodu
