// The statement texts of the record reader, as the SQL Server dialect writes them.
#include "db/vendizio_record_getter.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace dodu::testing {
namespace {

class RecordStatementTest : public ::testing::Test {
 protected:
  tQV_NotifyHandler Notify() {
    return [this](int32_t kind, const std::string& text) { notices.push_back(std::to_string(kind) + ":" + text); };
  }
  const tQV_VdzDecodeMap& Entry(tQV_VdzTable table) { return *FindVdzDecodeMap(table); }

  std::vector<std::string> notices;
};

TEST_F(RecordStatementTest, GetOfTheLockTable) {
  EXPECT_EQ(RecordGetStatement(Entry(nt_aplck), {"PGM", "SHOP", 0}, SqlServerDialect(), Notify()),
            "select * from aplck00f where type='PGM' and name='SHOP' and identifier=0 and "
            "isnull(annullato,'')<>'S' order by type,name,identifier");
}

TEST_F(RecordStatementTest, LiteralFormsOfKeyValues) {
  // Fewer values than key columns test the leading columns only.
  EXPECT_EQ(RecordExistsStatement(Entry(nt_dotes), {"N01", EncodeDate(2024, 3, 5)}, SqlServerDialect(), Notify()),
            "select count(*) as Num from dotes00f where dtneg='N01' and dttdo='20240305' and "
            "isnull(annullato,'')<>'S' ");
  EXPECT_EQ(KeyCondition(Entry(nt_dotes), {"O'K", int64_t{-7}, Amount::Parse("12.50")}, SqlServerDialect(), Notify()),
            "dtneg='O''K' and dttdo=-7 and dtpdo=12.5 and isnull(annullato,'')<>'S' ");
  EXPECT_EQ(KeyCondition(Entry(nt_anmag), {}, SqlServerDialect(), Notify()), "isnull(annullato,'')<>'S' ");
  EXPECT_EQ(RecordDecodeStatement(Entry(nt_anmag), {"M1"}, SqlServerDialect(), Notify()),
            "select agdes as Decoded from anmag00f where agmag='M1' and isnull(annullato,'')<>'S' ");
  EXPECT_EQ(KeyCondition(Entry(nt_anmag), {"M1"}, SqliteDialect(), Notify()),
            "agmag='M1' and ifnull(annullato,'')<>'S' ");
  EXPECT_TRUE(notices.empty());
}

TEST_F(RecordStatementTest, ValuesWithoutALiteralFormAreReportedAndLeftOut) {
  EXPECT_EQ(KeyCondition(Entry(nt_anclf), {true, tQV_Variant()}, SqlServerDialect(), Notify()),
            "antip= and anana= and isnull(annullato,'')<>'S' ");
  EXPECT_EQ(notices, (std::vector<std::string>{"1:Tipo Dato 11 non gestito", "1:Tipo Dato 1 non gestito"}));
}

TEST_F(RecordStatementTest, BadKeyValuesRaise) {
  EXPECT_THROW(KeyCondition(Entry(nt_anmag), {"A", "B"}, SqlServerDialect(), Notify()), Error);
  EXPECT_THROW(KeyCondition(Entry(nt_aplck), {"PGM", "X", int64_t{1} << 40}, SqlServerDialect(), Notify()), Error);
}

TEST(VdzTablesTest, OneEntryPerTableInEnumerationOrder) {
  const auto& maps = VdzDecodeMaps();
  ASSERT_EQ(maps.size(), 49u);
  for (size_t i = 0; i < maps.size(); ++i) {
    EXPECT_EQ(static_cast<size_t>(maps[i].table), i);
    EXPECT_FALSE(maps[i].keyFields.empty());
    EXPECT_TRUE(maps[i].fieldnames.empty());
  }
  EXPECT_EQ(FindVdzDecodeMap(nt_vwocrig)->tablename, "vw_ocrig_ext");
  EXPECT_EQ(FindVdzDecodeMap(nt_iiadr6)->keyFields, (std::vector<std::string>{"irnfor", "ireart", "iretag"}));
  EXPECT_EQ(FindVdzDecodeMap(nt_fdgrp)->decodeexpression, "fgdes");
  EXPECT_EQ(FindVdzDecodeMap(static_cast<tQV_VdzTable>(49)), nullptr);
}

}  // namespace
}  // namespace dodu::testing
