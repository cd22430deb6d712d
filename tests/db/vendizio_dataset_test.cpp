#include "db/vendizio_dataset.h"

#include <gtest/gtest.h>

#include "base/conversions.h"
#include "base/error.h"

namespace dodu::testing {
namespace {

tQV_VendizioDataset OneRow(tQV_CellKind kind, const std::string& text) {
  tQV_ResultSet result;
  result.hasColumns = true;
  result.columns = {"Value"};
  result.rows.push_back({tQV_Cell{kind, text}});
  return tQV_VendizioDataset(std::move(result));
}

TEST(VendizioDatasetTest, AmountsAreExactFromTheDecimalText) {
  struct Case {
    tQV_CellKind kind;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {tQV_CellKind::Number, "12.5000", "12.5"},
      {tQV_CellKind::Number, "922337203685477.5807", "922337203685477.5807"},
      {tQV_CellKind::Number, "0.1", "0.1"},
      {tQV_CellKind::Number, "1.5e-05", "0"},  // below 0.0001: rounded once, ties to even
      {tQV_CellKind::Number, "1.25e+03", "1250"},
      {tQV_CellKind::Number, "-2.5E-3", "-0.0025"},
      {tQV_CellKind::Integer, "-42", "-42"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OneRow(c.kind, c.text).FieldByName("value").AsAmount().ToText(), c.expected) << c.text;
  EXPECT_THROW(OneRow(tQV_CellKind::Text, "12,50").FieldByName("Value").AsAmount(), Error);
}

TEST(VendizioDatasetTest, DateTimesFromTheFormsEnginesWrite) {
  const DateTime expected = EncodeDateTime({2024, 3, 5, 14, 30, 15, 123});
  EXPECT_EQ(OneRow(tQV_CellKind::DateTime, "2024-03-05 14:30:15.123").Fields(0).AsDateTime(), expected);
  EXPECT_EQ(OneRow(tQV_CellKind::Text, "2024-03-05T14:30:15.1234567").Fields(0).AsDateTime(), expected);
  EXPECT_EQ(OneRow(tQV_CellKind::Text, "2024-03-05").Fields(0).AsDateTime(), EncodeDate(2024, 3, 5));
  EXPECT_EQ(OneRow(tQV_CellKind::Text, "2024-03-05 14:30").Fields(0).AsDateTime(),
            EncodeDateTime({2024, 3, 5, 14, 30, 0, 0}));
  EXPECT_EQ(OneRow(tQV_CellKind::Number, "45356.5").Fields(0).AsDateTime(), DateTime(45356.5));
  EXPECT_THROW(OneRow(tQV_CellKind::Text, "2024-02-30").Fields(0).AsDateTime(), Error);
  EXPECT_THROW(OneRow(tQV_CellKind::Text, "05/03/2024").Fields(0).AsDateTime(), Error);
}

TEST(VendizioDatasetTest, IntegersAndBooleans) {
  EXPECT_EQ(OneRow(tQV_CellKind::Integer, "9000000000").Fields(0).AsInteger(), 9000000000);
  EXPECT_EQ(OneRow(tQV_CellKind::Number, "12.0000").Fields(0).AsInteger(), 12);
  EXPECT_THROW(OneRow(tQV_CellKind::Number, "12.5").Fields(0).AsInteger(), Error);
  EXPECT_THROW(OneRow(tQV_CellKind::Text, "abc").Fields(0).AsInteger(), Error);
  EXPECT_TRUE(OneRow(tQV_CellKind::Boolean, "1").Fields(0).AsBoolean());
  EXPECT_FALSE(OneRow(tQV_CellKind::Integer, "0").Fields(0).AsBoolean());
  EXPECT_TRUE(OneRow(tQV_CellKind::Text, "True").Fields(0).AsBoolean());
  EXPECT_THROW(OneRow(tQV_CellKind::Text, "S").Fields(0).AsBoolean(), Error);
}

TEST(VendizioDatasetTest, NullsAndTheEndReadAsEmptyValues) {
  tQV_VendizioDataset dataset = OneRow(tQV_CellKind::Null, "");
  EXPECT_TRUE(dataset.FieldByName("VALUE").IsNull());
  EXPECT_EQ(dataset.FieldByName("value").AsAmount(), Amount());
  EXPECT_TRUE(dataset.FieldByName("value").AsDateTime().IsZero());
  EXPECT_FALSE(dataset.FieldByName("value").AsBoolean());
  dataset.Next();
  EXPECT_TRUE(dataset.Eof());
  dataset.Next();  // stays at the end
  EXPECT_EQ(dataset.RecNo(), 2);
  dataset.Close();
  EXPECT_FALSE(dataset.Active());
  EXPECT_EQ(dataset.RecordCount(), 0);
  EXPECT_THROW(dataset.Fields(1), Error);
}

}  // namespace
}  // namespace dodu::testing
