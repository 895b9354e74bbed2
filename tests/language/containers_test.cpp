#include "language/containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "language/dictionary.h"

namespace orbeta {
namespace {

// Items for the tests: entries compared by number.
std::unique_ptr<TStreamable> Item(std::int32_t number) { return std::make_unique<TMultiLingualStr>(number); }
std::int32_t NumberOf(const TStreamable& item) { return static_cast<const TMultiLingualStr&>(item).Number(); }

template <class Container>
std::vector<std::int32_t> Numbers(const Container& container) {
  std::vector<std::int32_t> numbers;
  for (int i = 1; i <= container.Count(); ++i) numbers.push_back(NumberOf(container.At(i)));
  return numbers;
}

TArray Array(std::int32_t capacity = 10, std::int32_t growthStep = 0) {
  return TArray("TMultiLingualStr", &CompareMultiLingualStr, capacity, growthStep);
}

class Containers : public ::testing::Test {
 protected:
  void SetUp() override { RegisterLanguageClasses(); }
};

TEST_F(Containers, ErrorsCarryTheirMessages) {
  const std::pair<std::string, std::string> cases[] = {
      {EInvalidObjectType().what(), "Invalid object type in TContainer"},
      {EContainerIsEmpty().what(), "TContainer is empty"},
      {EContainerIsFull().what(), "TContainer is full"},
      {EInvalidIndex().what(), "Invalid index in TContainer"},
      {ENewArraySizeTooSmall().what(), "TArray new size is too small"},
      {EArrayNotSorted().what(), "TArray is not sorted"},
      {EInvalidArrayCapacity().what(), "Invalid array capacity in TArray"},
      {EClassNotRegistered().what(), "Class not registered"},
      {ECompareFuncNotRegistered().what(), "Compare function not registered"},
      {EClassVersionNotRegistered().what(), "Class version not registered"},
      {EDuplicateCompareFunc().what(), "Duplicate compare function"},
      {EDuplicateRegisteredClass().what(), "Duplicate registered class"},
  };
  for (const auto& [message, expected] : cases) EXPECT_EQ(message, expected);
}

TEST_F(Containers, ArrayCapacityGrowsByTheStepAndAFullArrayWithoutStepRefuses) {
  TArray fixed = Array(2, 0);
  fixed.Add(Item(1));
  fixed.Add(Item(2));
  EXPECT_THROW(fixed.Add(Item(3)), EContainerIsFull);
  EXPECT_EQ(fixed.Count(), 2);

  TArray growing = Array(2, 3);
  for (int i = 1; i <= 3; ++i) growing.Add(Item(i));
  EXPECT_EQ(growing.Capacity(), 5);
  EXPECT_THROW(growing.SetCapacity(2), ENewArraySizeTooSmall);
  growing.SetCapacity(3);
  EXPECT_EQ(growing.Capacity(), 3);

  for (const auto& [capacity, step] : {std::pair{0, 0}, {-1, 5}, {1, -1}})
    EXPECT_THROW(Array(capacity, step), EInvalidArrayCapacity) << capacity << "/" << step;
  EXPECT_THROW(Array().SetCapacity(0), EInvalidArrayCapacity);
  // The capacity is only a number: a huge one allocates nothing.
  EXPECT_EQ(Array(INT_MAX).Capacity(), INT_MAX);
}

TEST_F(Containers, ArrayRefusesBadPositionsAndForeignItems) {
  TArray array = Array();
  array.Add(Item(5));
  for (const int position : {0, -1, 2}) {
    EXPECT_THROW(array.At(position), EInvalidIndex) << position;
    EXPECT_THROW(array.Delete(position), EInvalidIndex) << position;
  }
  EXPECT_THROW(array.Add(std::make_unique<TPCharHolder>("x")), EInvalidObjectType);
  EXPECT_THROW(array.Add(nullptr), EInvalidObjectType);
  array.Delete(1);
  EXPECT_EQ(array.Count(), 0);
}

TEST_F(Containers, SortedFlagFollowsAppendsAndSearchNeedsIt) {
  TArray array = Array();
  for (const int n : {1, 3, 3, 7}) array.Add(Item(n));
  EXPECT_TRUE(array.Sorted());  // ascending or equal keeps the flag
  EXPECT_EQ(array.Search(TMultiLingualStr(3)), 2);  // the first of equal items
  EXPECT_EQ(array.Search(TMultiLingualStr(4)), 0);

  array.Add(Item(2));
  EXPECT_FALSE(array.Sorted());
  EXPECT_THROW(array.Search(TMultiLingualStr(3)), EArrayNotSorted);
  EXPECT_EQ(array.IndexOf(TMultiLingualStr(2)), 5);  // scanned
  EXPECT_EQ(array.IndexOf(TMultiLingualStr(9)), 0);

  array.Sort();
  EXPECT_TRUE(array.Sorted());
  EXPECT_EQ(Numbers(array), (std::vector<std::int32_t>{1, 2, 3, 3, 7}));
}

TEST_F(Containers, GapSortOrdersAnyInput) {
  std::mt19937 random(42);
  for (const int count : {0, 1, 2, 3, 10, 101}) {
    std::vector<std::int32_t> numbers(count);
    for (auto& n : numbers) n = static_cast<std::int32_t>(random() % 50) - 25;
    TArray array = Array(1, 1);
    for (const auto n : numbers) array.Add(Item(n));
    array.Sort();
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(Numbers(array), numbers) << count;
    EXPECT_TRUE(array.Sorted());
  }
}

TEST_F(Containers, ListsPlaceAddedItemsByTheirKind) {
  TUnorderedList unordered("TMultiLingualStr", &CompareMultiLingualStr);
  TOrderedList ordered("TMultiLingualStr", &CompareMultiLingualStr);
  TCircularList circular("TMultiLingualStr", &CompareMultiLingualStr);
  for (TListContainer* list : std::initializer_list<TListContainer*>{&unordered, &ordered, &circular}) {
    EXPECT_THROW(list->Current(), EContainerIsEmpty);
    EXPECT_FALSE(list->MoveNext());
  }
  for (const int n : {5, 2, 8}) {
    unordered.Add(Item(n));
    ordered.Add(Item(n));
  }
  EXPECT_EQ(Numbers(unordered), (std::vector<std::int32_t>{5, 2, 8}));
  EXPECT_EQ(Numbers(ordered), (std::vector<std::int32_t>{2, 5, 8}));
  unordered.Insert(1, Item(1));
  EXPECT_EQ(Numbers(unordered), (std::vector<std::int32_t>{1, 5, 2, 8}));
  EXPECT_THROW(unordered.Insert(6, Item(9)), EInvalidIndex);

  // Equal items keep the order they came in.
  TOrderedList texts("TPCharHolder", &CompareEqual);
  texts.Add(std::make_unique<TPCharHolder>("a"));
  texts.Add(std::make_unique<TPCharHolder>("b"));
  EXPECT_EQ(static_cast<const TPCharHolder&>(texts.At(2)).Text(), "b");

  // A ring adds after the current item and wraps at both ends.
  circular.Add(Item(1));
  circular.Add(Item(3));
  circular.SetCurrentPosition(1);
  circular.Add(Item(2));
  EXPECT_EQ(Numbers(circular), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(circular.CurrentPosition(), 2);
  EXPECT_TRUE(circular.MoveNext());
  EXPECT_TRUE(circular.MoveNext());
  EXPECT_EQ(NumberOf(circular.Current()), 1);
  EXPECT_TRUE(circular.MovePrevious());
  EXPECT_EQ(NumberOf(circular.Current()), 3);

  // A plain list stops at its ends.
  unordered.SetCurrentPosition(4);
  EXPECT_FALSE(unordered.MoveNext());
  unordered.SetCurrentPosition(1);
  EXPECT_FALSE(unordered.MovePrevious());
}

TEST_F(Containers, DeletingKeepsTheCurrentItemOrTakesItsNeighbour) {
  TUnorderedList list("TMultiLingualStr", &CompareMultiLingualStr);
  for (const int n : {1, 2, 3, 4}) list.Add(Item(n));
  list.SetCurrentPosition(3);
  list.Delete(1);  // before the current item
  EXPECT_EQ(NumberOf(list.Current()), 3);
  list.Delete(2);  // the current item: the next one follows
  EXPECT_EQ(NumberOf(list.Current()), 4);
  list.Delete(2);  // the current and last item: the one before
  EXPECT_EQ(NumberOf(list.Current()), 2);
  list.Delete(1);
  EXPECT_EQ(list.CurrentPosition(), 0);
  EXPECT_THROW(list.Current(), EContainerIsEmpty);
  EXPECT_THROW(list.Delete(1), EInvalidIndex);
}

template <class List>
void ExpectListRoundTrip() {
  List list("TMultiLingualStr", &CompareMultiLingualStr);
  for (const int n : {4, 9, 16}) list.Add(Item(n));
  std::string bytes;
  WriteObject(list, bytes);
  const auto read = ReadObject(bytes);
  const auto& copy = dynamic_cast<const List&>(*read);
  EXPECT_EQ(copy.ItemClass(), "TMultiLingualStr");
  EXPECT_EQ(copy.CompareFunc(), &CompareMultiLingualStr);
  EXPECT_EQ(Numbers(copy), (std::vector<std::int32_t>{4, 9, 16}));
}

TEST_F(Containers, EveryContainerReadsBackWhatItWrote) {
  ExpectListRoundTrip<TUnorderedList>();
  ExpectListRoundTrip<TOrderedList>();
  ExpectListRoundTrip<TCircularList>();

  TArray array = Array(3, 7);
  for (const int n : {8, 6}) array.Add(Item(n));
  std::string bytes;
  WriteObject(array, bytes);
  const auto read = ReadObject(bytes);
  const auto& copy = dynamic_cast<const TArray&>(*read);
  EXPECT_EQ(copy.Capacity(), 3);
  EXPECT_EQ(copy.GrowthStep(), 7);
  EXPECT_FALSE(copy.Sorted());
  EXPECT_EQ(Numbers(copy), (std::vector<std::int32_t>{8, 6}));
}

// The bytes of an array of entries with the given numbers, as TArray::Write lays them out.
std::string ArrayBytes(std::int32_t capacity, std::int32_t growthStep, bool sorted, std::vector<std::int32_t> numbers) {
  std::string bytes = "TPF0";
  TObjectWriter out(bytes);
  out.WriteText("TArray");
  bytes += std::string("\x01\x00", 2);  // version 1
  out.WriteText("TMultiLingualStr");
  out.WriteText("CompareMultiLingualStr");
  out.WriteInteger(static_cast<std::int32_t>(numbers.size()));
  out.WriteInteger(capacity);
  out.WriteInteger(growthStep);
  out.WriteBoolean(sorted);
  for (const auto n : numbers) out.WriteObject(TMultiLingualStr(n));
  return bytes;
}

TEST_F(Containers, ArrayReadFromAStreamChecksItsNumbers) {
  // A stored sorted flag over items out of order is cleared as they are read.
  const auto unsorted = ReadObject(ArrayBytes(10, 0, true, {3, 1}));
  EXPECT_FALSE(static_cast<const TArray&>(*unsorted).Sorted());
  const auto sorted = ReadObject(ArrayBytes(10, 0, true, {1, 3}));
  EXPECT_TRUE(static_cast<const TArray&>(*sorted).Sorted());

  // A huge stored capacity is just a number.
  const auto huge = ReadObject(ArrayBytes(INT_MAX, 0, true, {}));
  EXPECT_EQ(static_cast<const TArray&>(*huge).Capacity(), INT_MAX);

  // More items than the capacity: they grow it, or with no growth step fill it.
  const auto grown = ReadObject(ArrayBytes(1, 1, true, {1, 2, 3}));
  EXPECT_EQ(static_cast<const TArray&>(*grown).Capacity(), 3);
  EXPECT_THROW(ReadObject(ArrayBytes(2, 0, true, {1, 2, 3})), EContainerIsFull);

  try {
    ReadObject(ArrayBytes(0, 500, true, {}));
    ADD_FAILURE() << "no error";
  } catch (const EInvalidArrayCapacity& error) {
    EXPECT_EQ(error.Offset(), 58u);  // the capacity value, after the count
  }
}

}  // namespace
}  // namespace orbeta
