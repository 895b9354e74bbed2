// Persistent containers of streamable objects: an array with a capacity, a growth step and a
// sorted flag, and three lists that share one stream format. A container owns its items, all
// of one registered class, and compares them with a registered compare function. Positions
// count from 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "language/object_stream.h"

namespace orbeta {

// ---- Errors of the containers and of the registries ----

class EContainerError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// An item of another class than the container's item class.
class EInvalidObjectType : public EContainerError {
 public:
  EInvalidObjectType() : EContainerError("Invalid object type in TContainer") {}
};
// The current item of an empty list.
class EContainerIsEmpty : public EContainerError {
 public:
  EContainerIsEmpty() : EContainerError("TContainer is empty") {}
};
// A full array without a growth step.
class EContainerIsFull : public EContainerError {
 public:
  EContainerIsFull() : EContainerError("TContainer is full") {}
};
// A position outside 1 to count.
class EInvalidIndex : public EContainerError {
 public:
  EInvalidIndex() : EContainerError("Invalid index in TContainer") {}
};
// An array's capacity would fall below its count.
class ENewArraySizeTooSmall : public EContainerError {
 public:
  ENewArraySizeTooSmall() : EContainerError("TArray new size is too small") {}
};
// A binary search on an array that is not known to be sorted.
class EArrayNotSorted : public EContainerError {
 public:
  EArrayNotSorted() : EContainerError("TArray is not sorted") {}
};
// An array capacity below 1, or a negative growth step.
class EInvalidArrayCapacity : public EContainerError {
 public:
  EInvalidArrayCapacity() : EContainerError("Invalid array capacity in TArray") {}
};
// A class name without registration.
class EClassNotRegistered : public EContainerError {
 public:
  EClassNotRegistered() : EContainerError("Class not registered") {}
};
// A compare function name without registration, or a compare function without a name.
class ECompareFuncNotRegistered : public EContainerError {
 public:
  ECompareFuncNotRegistered() : EContainerError("Compare function not registered") {}
};
// A stored class version of 0, or one without a reader procedure.
class EClassVersionNotRegistered : public EContainerError {
 public:
  EClassVersionNotRegistered() : EContainerError("Class version not registered") {}
};
class EDuplicateCompareFunc : public EContainerError {
 public:
  EDuplicateCompareFunc() : EContainerError("Duplicate compare function") {}
};
class EDuplicateRegisteredClass : public EContainerError {
 public:
  EDuplicateRegisteredClass() : EContainerError("Duplicate registered class") {}
};

// ---- Compare functions that ignore the items ----

// Always "smaller": a list compared with it keeps items in the order they were added, and an
// array appended to with it stays sorted.
int CompareLess(const TStreamable& first, const TStreamable& second);
// Always "equal".
int CompareEqual(const TStreamable& first, const TStreamable& second);
// Always "greater".
int CompareGreater(const TStreamable& first, const TStreamable& second);

// ---- Containers ----

class TContainer : public TStreamable {
 public:
  const std::string& ItemClass() const { return itemClass_; }
  TCompareFunc CompareFunc() const { return compare_; }
  virtual int Count() const = 0;

 protected:
  // `compare` must not be null.
  TContainer(std::string itemClass, TCompareFunc compare);

  // Raises EInvalidObjectType unless the item exists and is of the item class.
  void CheckItem(const TStreamable* item) const;
  int Compare(const TStreamable& first, const TStreamable& second) const { return compare_(first, second); }

  // The data every container writes first: the item class name and the compare function
  // name (ECompareFuncNotRegistered when the function has none).
  void WriteContainerData(TObjectWriter& out) const;
  struct ContainerData {
    std::string itemClass;
    TCompareFunc compare;
  };
  // Both names must be registered (EClassNotRegistered, ECompareFuncNotRegistered).
  static ContainerData ReadContainerData(TObjectReader& in);
  // An item count read from the stream; a negative one is a read error.
  static int ReadItemCount(TObjectReader& in);

 private:
  std::string itemClass_;
  TCompareFunc compare_;
};

// Items in positions 1 to count, with a capacity that grows by the growth step when an item
// is added to a full array (a growth step of 0 makes a full array refuse items). The capacity
// is a number only: storage grows with the items actually added. The sorted flag holds while
// the items are known to be in ascending order: a new array is sorted, appending an item that
// compares below the last one clears the flag, Sort sets it.
class TArray : public TContainer {
 public:
  // EInvalidArrayCapacity for a capacity below 1 or a negative growth step.
  TArray(std::string itemClass, TCompareFunc compare, std::int32_t capacity, std::int32_t growthStep);

  std::string_view ClassName() const override { return "TArray"; }
  int Count() const override { return static_cast<int>(items_.size()); }
  std::int32_t Capacity() const { return capacity_; }
  std::int32_t GrowthStep() const { return growthStep_; }
  bool Sorted() const { return sorted_; }

  // ENewArraySizeTooSmall below the count, EInvalidArrayCapacity below 1.
  void SetCapacity(std::int32_t capacity);
  // EInvalidArrayCapacity when negative.
  void SetGrowthStep(std::int32_t growthStep);

  // Appends the item. EInvalidObjectType, EContainerIsFull.
  void Add(std::unique_ptr<TStreamable> item);
  // EInvalidIndex outside 1 to count.
  TStreamable& At(int position);
  const TStreamable& At(int position) const;
  void Delete(int position);

  // Gap sort: the gap starts at the count and is halved while above 1; at each gap, passes
  // swap out-of-order pairs until a pass swaps nothing. Sets the sorted flag.
  void Sort();
  // Binary search: the first position whose item compares equal to the key, 0 when none.
  // EArrayNotSorted unless the sorted flag holds.
  int Search(const TStreamable& key) const;
  // Search when sorted, otherwise a scan from position 1; 0 when absent.
  int IndexOf(const TStreamable& key) const;

  // The registered reader (version 1) and writer procedures.
  static std::unique_ptr<TStreamable> Read(TObjectReader& in);
  static void Write(const TStreamable& object, TObjectWriter& out);

 private:
  void CheckPosition(int position) const;

  std::vector<std::unique_ptr<TStreamable>> items_;
  std::int32_t capacity_;
  std::int32_t growthStep_;
  bool sorted_ = true;
};

// The lists: items in positions 1 to count, one of which is the current item (the one added
// last, unless moved). The three differ only in where Add puts an item.
class TListContainer : public TContainer {
 public:
  int Count() const override { return static_cast<int>(items_.size()); }
  virtual void Add(std::unique_ptr<TStreamable> item) = 0;

  // EInvalidIndex outside 1 to count.
  TStreamable& At(int position);
  const TStreamable& At(int position) const;
  // Removes the item; the item after it (or else the one before) becomes current.
  void Delete(int position);
  void Clear();

  // EContainerIsEmpty for an empty list.
  TStreamable& Current();
  // 0 when the list is empty.
  int CurrentPosition() const { return current_; }
  // EInvalidIndex outside 1 to count.
  void SetCurrentPosition(int position);
  // Moves the current item one step; false at the end of the list (a circular list wraps
  // around instead) and for an empty list.
  bool MoveNext();
  bool MovePrevious();

  // The registered reader (version 1, for each list class) and writer procedures: the item
  // count, then the items first to last.
  template <class List>
  static std::unique_ptr<TStreamable> ReadList(TObjectReader& in);
  static void WriteList(const TStreamable& object, TObjectWriter& out);

 protected:
  using TContainer::TContainer;
  // Inserts at a position from 1 to count + 1; the item becomes current.
  void InsertAt(int position, std::unique_ptr<TStreamable> item);
  virtual bool Wraps() const { return false; }

 private:
  std::vector<std::unique_ptr<TStreamable>> items_;
  int current_ = 0;
};

// Items in the order they are added; Add appends.
class TUnorderedList : public TListContainer {
 public:
  TUnorderedList(std::string itemClass, TCompareFunc compare) : TListContainer(std::move(itemClass), compare) {}
  std::string_view ClassName() const override { return "TUnorderedList"; }
  void Add(std::unique_ptr<TStreamable> item) override;
  // Inserts at a position from 1 to count + 1 (EInvalidIndex otherwise).
  void Insert(int position, std::unique_ptr<TStreamable> item) { InsertAt(position, std::move(item)); }
};

// Items in ascending order of the compare function; Add puts an item after every item that
// does not compare greater than it.
class TOrderedList : public TListContainer {
 public:
  TOrderedList(std::string itemClass, TCompareFunc compare) : TListContainer(std::move(itemClass), compare) {}
  std::string_view ClassName() const override { return "TOrderedList"; }
  void Add(std::unique_ptr<TStreamable> item) override;
};

// A ring: Add puts an item right after the current one, and moving past either end wraps.
class TCircularList : public TListContainer {
 public:
  TCircularList(std::string itemClass, TCompareFunc compare) : TListContainer(std::move(itemClass), compare) {}
  std::string_view ClassName() const override { return "TCircularList"; }
  void Add(std::unique_ptr<TStreamable> item) override;

 protected:
  bool Wraps() const override { return true; }
};

// Registers TArray, TOrderedList, TUnorderedList, TCircularList and the compare functions
// "CompareLess", "CompareEqual", "CompareGreater". RegisterLanguageClasses (dictionary.h) runs
// it once; a second call raises EDuplicateRegisteredClass.
void RegisterContainerClasses();

}  // namespace orbeta
