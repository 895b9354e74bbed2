#include "navigation/visit_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace orbeta {
namespace {

using namespace std::chrono;
using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

constexpr year_month_day kToday = 2005y / February / 1d;

class VisitLogTest : public ::testing::Test {
 protected:
  void SetUp() override { visitCount = 0; }
  void TearDown() override { visitCount = 0; }
  std::string Log() const { return dir_.File("Orbeta.log"); }

  TempDir dir_;
  ScopedEnv home_{"ORBETA_HOME", dir_.path()};
};

TEST_F(VisitLogTest, DatesAreWrittenDayMonthYearWithLeadingZeros) {
  EXPECT_EQ(ShortDateText(2005y / March / 21d), "21/03/2005");
  EXPECT_EQ(ShortDateText(kToday), "01/02/2005");
  EXPECT_EQ(VisitLogFile(), Log());
}

TEST_F(VisitLogTest, AMissingLogGetsTheLineOfTheDayEvenWithoutVisits) {
  ASSERT_TRUE(WriteVisitLog(kToday));
  EXPECT_EQ(ReadFile(Log()), "Nombre de consultations pour le 01/02/2005 : 0\r\n");
  visitCount = 3;
  ASSERT_TRUE(WriteVisitLog(kToday));
  EXPECT_EQ(ReadFile(Log()), "Nombre de consultations pour le 01/02/2005 : 3\r\n");
  EXPECT_EQ(visitCount, 3);
}

TEST_F(VisitLogTest, FoldsEveryLineOfTheDayAndSortsTheOthersBeforeIt) {
  WriteFile(Log(),
            "Nombre de consultations pour le 11/02/2005 : 4\n"
            "Nombre de consultations pour le 01/02/2005 : 5\r\n"
            "notes of the operator\r"
            "Nombre de consultations pour le 01/02/2005 (bis) : 6\r\n"
            "Nombre de consultations pour le 01/02/2005 : 7\r\n"
            "Nombre de consultations pour le 01/02/2005 : many\r\n"
            "Nombre de consultations pour le 01/02/2005 :  8 \r\n"
            "Nombre de consultations pour le 21/01/2005 : 9\r\n"
            "Nombre de consultations pour le 01/02/2005: 10\r\n"
            "Another note");
  visitCount = 2;
  ASSERT_TRUE(WriteVisitLog(kToday));
  EXPECT_EQ(ReadFile(Log()),
            "Another note\r\n"
            "Nombre de consultations pour le 01/02/2005 (bis) : 6\r\n"
            "Nombre de consultations pour le 01/02/2005 : many\r\n"
            "Nombre de consultations pour le 01/02/2005: 10\r\n"
            "Nombre de consultations pour le 11/02/2005 : 4\r\n"
            "Nombre de consultations pour le 21/01/2005 : 9\r\n"
            "notes of the operator\r\n"
            "Nombre de consultations pour le 01/02/2005 : 22\r\n");
  EXPECT_EQ(visitCount, 22);
}

TEST_F(VisitLogTest, ALogThatCannotBeWrittenIsLeftAsItWas) {
  ScopedEnv nowhere("ORBETA_HOME", dir_.File("missing-folder"));
  visitCount = 4;
  EXPECT_FALSE(WriteVisitLog(kToday));

  // A log path taken by a folder is left alone.
  std::filesystem::create_directory(Log());
  ScopedEnv home("ORBETA_HOME", dir_.path());
  EXPECT_FALSE(WriteVisitLog(kToday));
  EXPECT_TRUE(std::filesystem::is_directory(Log()));
}

}  // namespace
}  // namespace orbeta
