#include "language/object_stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <mutex>

#include "language/containers.h"
#include "language/dictionary.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::Hex;

std::string Encode(const std::function<void(TObjectWriter&)>& write) {
  std::string bytes;
  TObjectWriter out(bytes);
  write(out);
  return bytes;
}

std::string Int(std::int32_t value) { return Encode([&](TObjectWriter& out) { out.WriteInteger(value); }); }
std::string Text(std::string_view text) { return Encode([&](TObjectWriter& out) { out.WriteText(text); }); }
std::string Header(std::string_view className, std::uint16_t version = 1) {
  return "TPF0" + Text(className) + std::string{static_cast<char>(version & 0xFF), static_cast<char>(version >> 8)};
}
// An unordered list of one nested list, `depth` levels deep, the innermost empty.
std::string NestedLists(int depth) {
  std::string bytes;
  for (int i = 0; i < depth; ++i)
    bytes += Header("TUnorderedList") + Text("TUnorderedList") + Text("CompareLess") + Int(i + 1 < depth ? 1 : 0);
  return bytes;
}

class ObjectStream : public ::testing::Test {
 protected:
  void SetUp() override { RegisterLanguageClasses(); }
};

TEST_F(ObjectStream, IntegersTakeTheShortestFormAndReadBackFromAnyForm) {
  const struct {
    std::int32_t value;
    const char* hex;
  } cases[] = {
      {0, "0200"},           {127, "027f"},        {-128, "0280"},         {128, "038000"},
      {-129, "037fff"},      {32767, "03ff7f"},    {-32768, "030080"},     {32768, "0400800000"},
      {-32769, "04ff7fffff"}, {INT_MAX, "04ffffff7f"}, {INT_MIN, "0400000080"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const std::string bytes = Hex(c.hex);
    EXPECT_EQ(Int(c.value), bytes);
    TObjectReader in(bytes);
    EXPECT_EQ(in.ReadInteger(), c.value);
    EXPECT_TRUE(in.AtEnd());
  }
  const std::string longForms = Hex("0405000000 03ffff 04ffffffff 0380ff");
  TObjectReader in(longForms);
  EXPECT_EQ(in.ReadInteger(), 5);
  EXPECT_EQ(in.ReadInteger(), -1);
  EXPECT_EQ(in.ReadInteger(), -1);
  EXPECT_EQ(in.ReadInteger(), -128);
}

TEST_F(ObjectStream, TextsUpTo255BytesTakeTheShortForm) {
  const std::string t255(255, 'a');
  const std::string t256(256, 'b');
  EXPECT_EQ(Text(""), Hex("0600"));
  EXPECT_EQ(Text(t255), Hex("06ff") + t255);
  EXPECT_EQ(Text(t256), Hex("0c00010000") + t256);
  EXPECT_EQ(Encode([](TObjectWriter& out) { out.WriteBoolean(true), out.WriteBoolean(false); }), Hex("0908"));

  const std::string bytes = Text(t255) + Text(t256) + Hex("0c02000000") + "OK" + Hex("0908");
  TObjectReader in(bytes);
  EXPECT_EQ(in.ReadText(), t255);
  EXPECT_EQ(in.ReadText(), t256);
  EXPECT_EQ(in.ReadText(), "OK");  // the long form of a short text is accepted
  EXPECT_TRUE(in.ReadBoolean());
  EXPECT_FALSE(in.ReadBoolean());
  EXPECT_TRUE(in.AtEnd());
}

TEST_F(ObjectStream, DamagedValuesAreReadErrorsWithTheirOffset) {
  enum Kind { kInteger, kBoolean, kText };
  const struct {
    const char* hex;
    Kind kind;
    const char* message;
    std::size_t offset;
  } cases[] = {
      {"0200 06024f4b", kInteger, "Unexpected value type 0x06 where an integer was expected", 2},
      {"0200 02", kBoolean, "Unexpected value type 0x02 where a boolean was expected", 2},
      {"0200 0a", kText, "Unexpected value type 0x0A where a text was expected", 2},
      {"0200", kInteger, "Stream ends too early", 2},
      {"0200 03ff", kInteger, "Stream ends too early", 2},
      {"0200 0405", kInteger, "Stream ends too early", 2},
      {"0200 06054f4b", kText, "Stream ends too early", 2},
      // A length far beyond the data is refused before anything is allocated for it.
      {"0200 0cffffffff4f4b", kText, "Stream ends too early", 2},
      {"0200 0c0000", kText, "Stream ends too early", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const std::string bytes = Hex(c.hex);
    TObjectReader in(bytes);
    in.ReadInteger();
    try {
      if (c.kind == kInteger) in.ReadInteger();
      if (c.kind == kBoolean) in.ReadBoolean();
      if (c.kind == kText) in.ReadText();
      ADD_FAILURE() << "no error";
    } catch (const EReadError& error) {
      EXPECT_STREQ(error.what(), c.message);
      EXPECT_EQ(error.Offset(), c.offset);
      EXPECT_EQ(DescribeStreamError(error), std::string(c.message) + " (at byte 2)");
    }
  }
}

TEST_F(ObjectStream, DamagedObjectsFailWithTheRightErrorAndOffset) {
  const std::string emptyList = Text("TPCharHolder") + Text("CompareLess") + Int(0);
  const struct {
    std::string bytes;
    std::string message;
    std::size_t offset;
  } cases[] = {
      {"TPF1" + Text("TPCharHolder"), "Invalid object signature", 0},
      {Header("TNoSuchClass") + Text("x"), "Class not registered", 4},
      {Header("TPCharHolder", 0) + Text("x"), "Class version not registered", 18},
      {Header("TPCharHolder", 2) + Text("x"), "Class version not registered", 18},
      {Header("TUnorderedList") + Text("TNoSuchClass") + Text("CompareLess") + Int(0), "Class not registered", 22},
      {Header("TUnorderedList") + Text("TPCharHolder") + Text("CompareNothing") + Int(0),
       "Compare function not registered", 36},
      {Header("TUnorderedList") + Text("TPCharHolder") + Text("CompareLess") + Int(-1), "Invalid item count -1", 49},
      // A nested item of another class than the item class: the offset is the item's.
      {Header("TUnorderedList") + emptyList.substr(0, emptyList.size() - 2) + Int(1) + Header("TCircularList") +
           emptyList,
       "Invalid object type in TContainer", 51},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      ReadObject(c.bytes);
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& error) {
      EXPECT_EQ(error.what(), c.message);
      EXPECT_EQ(error.Offset(), c.offset);
    }
  }
}

TEST_F(ObjectStream, EveryTruncationOfAValidObjectEndsTooEarly) {
  TUnorderedList list("TPCharHolder", &CompareLess);
  list.Add(std::make_unique<TPCharHolder>("first"));
  list.Add(std::make_unique<TPCharHolder>(std::string(300, 'x')));
  std::string bytes;
  WriteObject(list, bytes);
  ASSERT_NO_THROW(ReadObject(bytes));
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    try {
      ReadObject(std::string_view(bytes).substr(0, size));
      ADD_FAILURE() << "no error";
    } catch (const EReadError& error) {
      EXPECT_STREQ(error.what(), "Stream ends too early");
      EXPECT_LE(*error.Offset(), size);
    }
  }
}

TEST_F(ObjectStream, NestingIsCappedSoAHostileStreamCannotExhaustTheStack) {
  const auto deepest = ReadObject(NestedLists(kMaxObjectDepth));
  EXPECT_EQ(static_cast<const TUnorderedList&>(*deepest).Count(), 1);

  for (const int depth : {kMaxObjectDepth + 1, 100000}) {
    try {
      ReadObject(NestedLists(depth));
      ADD_FAILURE() << "no error at depth " << depth;
    } catch (const EReadError& error) {
      EXPECT_EQ(error.what(), "Objects nested more than " + std::to_string(kMaxObjectDepth) + " deep");
      EXPECT_EQ(error.Offset(), NestedLists(kMaxObjectDepth).size());
    }
  }
}

// A class of the tests' own, written at version 2 with a reader for each version.
class TPoint : public TStreamable {
 public:
  std::string_view ClassName() const override { return "TTestPoint"; }
  std::int32_t x = 0, y = 0;
};

TEST_F(ObjectStream, RegisteredClassesAreWrittenAtTheirNewestVersionAndReadAtTheStoredOne) {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterStreamable(
        "TTestPoint",
        {[](TObjectReader& in) -> std::unique_ptr<TStreamable> {
           auto p = std::make_unique<TPoint>();
           p->x = in.ReadInteger();
           return p;
         },
         [](TObjectReader& in) -> std::unique_ptr<TStreamable> {
           auto p = std::make_unique<TPoint>();
           p->x = in.ReadInteger();
           p->y = in.ReadInteger();
           return p;
         }},
        {[](const TStreamable& o, TObjectWriter& out) { out.WriteInteger(static_cast<const TPoint&>(o).x); },
         [](const TStreamable& o, TObjectWriter& out) {
           out.WriteInteger(static_cast<const TPoint&>(o).x);
           out.WriteInteger(static_cast<const TPoint&>(o).y);
         }});
  });
  TPoint point;
  point.x = 3;
  point.y = 300;
  std::string bytes;
  WriteObject(point, bytes);
  EXPECT_EQ(bytes, Header("TTestPoint", 2) + Int(3) + Int(300));
  const auto old = ReadObject(Header("TTestPoint", 1) + Int(7));
  EXPECT_EQ(static_cast<const TPoint&>(*old).x, 7);
  EXPECT_EQ(static_cast<const TPoint&>(*old).y, 0);
  EXPECT_THROW(ReadObject(Header("TTestPoint", 3) + Int(7)), EClassVersionNotRegistered);
}

TEST_F(ObjectStream, RegistrationHappensOnceAndDuplicatesAreRefused) {
  RegisterLanguageClasses();  // again: nothing happens
  for (const char* name : {"TArray", "TOrderedList", "TUnorderedList", "TCircularList", "TMultiLingualStr",
                           "TPCharHolder"}) {
    EXPECT_TRUE(IsClassRegistered(name)) << name;
    EXPECT_THROW(RegisterStreamable(name, {}, {}), EDuplicateRegisteredClass) << name;
  }
  const struct {
    const char* name;
    TCompareFunc func;
  } funcs[] = {{"CompareMultiLingualStr", &CompareMultiLingualStr}, {"CompareLess", &CompareLess},
               {"CompareEqual", &CompareEqual}, {"CompareGreater", &CompareGreater},
               {"ComparePCharHolder", &ComparePCharHolder}};
  for (const auto& f : funcs) {
    EXPECT_EQ(FindCompareFunc(f.name), f.func);
    EXPECT_EQ(CompareFuncName(f.func), f.name);
    EXPECT_THROW(RegisterCompareFunc(f.name, &CompareLess), EDuplicateCompareFunc) << f.name;
  }
  EXPECT_THROW(FindCompareFunc("CompareNothing"), ECompareFuncNotRegistered);
}

int CompareUnnamed(const TStreamable&, const TStreamable&) { return kCompareEqual; }

class TUnregistered : public TStreamable {
 public:
  std::string_view ClassName() const override { return "TUnregistered"; }
};

TEST_F(ObjectStream, WritingNeedsARegisteredClassAndANamedCompareFunction) {
  std::string bytes;
  EXPECT_THROW(WriteObject(TUnregistered(), bytes), EClassNotRegistered);
  EXPECT_THROW(WriteObject(TUnorderedList("TPCharHolder", &CompareUnnamed), bytes), ECompareFuncNotRegistered);
}

}  // namespace
}  // namespace orbeta
