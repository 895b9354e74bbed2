#include "language/containers.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace orbeta {

int CompareLess(const TStreamable&, const TStreamable&) { return kCompareSmaller; }
int CompareEqual(const TStreamable&, const TStreamable&) { return kCompareEqual; }
int CompareGreater(const TStreamable&, const TStreamable&) { return kCompareGreater; }

// ---- TContainer ----

TContainer::TContainer(std::string itemClass, TCompareFunc compare)
    : itemClass_(std::move(itemClass)), compare_(compare) {
  if (!compare_) throw std::invalid_argument("a container needs a compare function");
}

void TContainer::CheckItem(const TStreamable* item) const {
  if (!item || item->ClassName() != itemClass_) throw EInvalidObjectType();
}

void TContainer::WriteContainerData(TObjectWriter& out) const {
  const std::string& compareName = CompareFuncName(compare_);
  out.WriteText(itemClass_);
  out.WriteText(compareName);
}

TContainer::ContainerData TContainer::ReadContainerData(TObjectReader& in) {
  std::string itemClass = in.ReadText();
  if (!IsClassRegistered(itemClass)) throw EClassNotRegistered();
  const TCompareFunc compare = FindCompareFunc(in.ReadText());
  return {std::move(itemClass), compare};
}

int TContainer::ReadItemCount(TObjectReader& in) {
  const std::size_t at = in.Position();
  const std::int32_t count = in.ReadInteger();
  if (count < 0) throw EReadError("Invalid item count " + std::to_string(count), at);
  return count;
}

// ---- TArray ----

TArray::TArray(std::string itemClass, TCompareFunc compare, std::int32_t capacity, std::int32_t growthStep)
    : TContainer(std::move(itemClass), compare), capacity_(capacity), growthStep_(growthStep) {
  if (capacity < 1 || growthStep < 0) throw EInvalidArrayCapacity();
}

void TArray::SetCapacity(std::int32_t capacity) {
  if (capacity < Count()) throw ENewArraySizeTooSmall();
  if (capacity < 1) throw EInvalidArrayCapacity();
  capacity_ = capacity;
}

void TArray::SetGrowthStep(std::int32_t growthStep) {
  if (growthStep < 0) throw EInvalidArrayCapacity();
  growthStep_ = growthStep;
}

void TArray::CheckPosition(int position) const {
  if (position < 1 || position > Count()) throw EInvalidIndex();
}

void TArray::Add(std::unique_ptr<TStreamable> item) {
  CheckItem(item.get());
  if (Count() >= capacity_) {
    if (growthStep_ == 0 || capacity_ == std::numeric_limits<std::int32_t>::max()) throw EContainerIsFull();
    capacity_ = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{capacity_} + growthStep_, std::numeric_limits<std::int32_t>::max()));
  }
  if (!items_.empty() && Compare(*item, *items_.back()) == kCompareSmaller) sorted_ = false;
  items_.push_back(std::move(item));
}

TStreamable& TArray::At(int position) {
  CheckPosition(position);
  return *items_[position - 1];
}

const TStreamable& TArray::At(int position) const {
  CheckPosition(position);
  return *items_[position - 1];
}

void TArray::Delete(int position) {
  CheckPosition(position);
  items_.erase(items_.begin() + (position - 1));
}

void TArray::Sort() {
  const std::size_t count = items_.size();
  std::size_t gap = count;
  while (gap > 1) {
    gap /= 2;
    bool swapped;
    do {
      swapped = false;
      for (std::size_t i = 0; i + gap < count; ++i) {
        if (Compare(*items_[i], *items_[i + gap]) == kCompareGreater) {
          std::swap(items_[i], items_[i + gap]);
          swapped = true;
        }
      }
    } while (swapped);
  }
  sorted_ = true;
}

int TArray::Search(const TStreamable& key) const {
  if (!sorted_) throw EArrayNotSorted();
  int low = 1;
  int high = Count();
  int found = 0;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    const int order = Compare(key, *items_[middle - 1]);
    if (order == kCompareSmaller) {
      high = middle - 1;
    } else if (order == kCompareGreater) {
      low = middle + 1;
    } else {
      found = middle;  // keep looking left for the first equal item
      high = middle - 1;
    }
  }
  return found;
}

int TArray::IndexOf(const TStreamable& key) const {
  if (sorted_) return Search(key);
  for (int i = 0; i < Count(); ++i)
    if (Compare(key, *items_[i]) == kCompareEqual) return i + 1;
  return 0;
}

std::unique_ptr<TStreamable> TArray::Read(TObjectReader& in) {
  ContainerData data = ReadContainerData(in);
  const int count = ReadItemCount(in);
  const std::int32_t capacity = in.ReadInteger();
  auto array = std::make_unique<TArray>(std::move(data.itemClass), data.compare, capacity, 0);
  array->SetGrowthStep(in.ReadInteger());
  // Items that come out of order clear the flag again as they are added.
  array->sorted_ = in.ReadBoolean();
  for (int i = 0; i < count; ++i) array->Add(in.ReadObject());
  return array;
}

void TArray::Write(const TStreamable& object, TObjectWriter& out) {
  const auto& array = static_cast<const TArray&>(object);
  array.WriteContainerData(out);
  out.WriteInteger(array.Count());
  out.WriteInteger(array.capacity_);
  out.WriteInteger(array.growthStep_);
  out.WriteBoolean(array.sorted_);
  for (const auto& item : array.items_) out.WriteObject(*item);
}

// ---- Lists ----

TStreamable& TListContainer::At(int position) {
  if (position < 1 || position > Count()) throw EInvalidIndex();
  return *items_[position - 1];
}

const TStreamable& TListContainer::At(int position) const {
  if (position < 1 || position > Count()) throw EInvalidIndex();
  return *items_[position - 1];
}

void TListContainer::InsertAt(int position, std::unique_ptr<TStreamable> item) {
  CheckItem(item.get());
  if (position < 1 || position > Count() + 1) throw EInvalidIndex();
  items_.insert(items_.begin() + (position - 1), std::move(item));
  current_ = position;
}

void TListContainer::Delete(int position) {
  if (position < 1 || position > Count()) throw EInvalidIndex();
  items_.erase(items_.begin() + (position - 1));
  if (current_ > position || current_ > Count()) --current_;
}

void TListContainer::Clear() {
  items_.clear();
  current_ = 0;
}

TStreamable& TListContainer::Current() {
  if (items_.empty()) throw EContainerIsEmpty();
  return *items_[current_ - 1];
}

void TListContainer::SetCurrentPosition(int position) {
  if (position < 1 || position > Count()) throw EInvalidIndex();
  current_ = position;
}

bool TListContainer::MoveNext() {
  if (items_.empty()) return false;
  if (current_ < Count()) {
    ++current_;
    return true;
  }
  if (!Wraps()) return false;
  current_ = 1;
  return true;
}

bool TListContainer::MovePrevious() {
  if (items_.empty()) return false;
  if (current_ > 1) {
    --current_;
    return true;
  }
  if (!Wraps()) return false;
  current_ = Count();
  return true;
}

template <class List>
std::unique_ptr<TStreamable> TListContainer::ReadList(TObjectReader& in) {
  ContainerData data = ReadContainerData(in);
  auto list = std::make_unique<List>(std::move(data.itemClass), data.compare);
  const int count = ReadItemCount(in);
  for (int i = 0; i < count; ++i) list->Add(in.ReadObject());
  return list;
}

void TListContainer::WriteList(const TStreamable& object, TObjectWriter& out) {
  const auto& list = static_cast<const TListContainer&>(object);
  list.WriteContainerData(out);
  out.WriteInteger(list.Count());
  for (const auto& item : list.items_) out.WriteObject(*item);
}

void TUnorderedList::Add(std::unique_ptr<TStreamable> item) { InsertAt(Count() + 1, std::move(item)); }

void TOrderedList::Add(std::unique_ptr<TStreamable> item) {
  CheckItem(item.get());
  int position = Count() + 1;
  while (position > 1 && Compare(At(position - 1), *item) == kCompareGreater) --position;
  InsertAt(position, std::move(item));
}

void TCircularList::Add(std::unique_ptr<TStreamable> item) { InsertAt(CurrentPosition() + 1, std::move(item)); }

void RegisterContainerClasses() {
  RegisterStreamable("TArray", {&TArray::Read}, {&TArray::Write});
  RegisterStreamable("TOrderedList", {&TListContainer::ReadList<TOrderedList>}, {&TListContainer::WriteList});
  RegisterStreamable("TUnorderedList", {&TListContainer::ReadList<TUnorderedList>}, {&TListContainer::WriteList});
  RegisterStreamable("TCircularList", {&TListContainer::ReadList<TCircularList>}, {&TListContainer::WriteList});
  RegisterCompareFunc("CompareLess", &CompareLess);
  RegisterCompareFunc("CompareEqual", &CompareEqual);
  RegisterCompareFunc("CompareGreater", &CompareGreater);
}

}  // namespace orbeta
