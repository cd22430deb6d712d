#include "db/sql_parameters.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace dodu::testing {
namespace {

TEST(SqlParametersTest, MarkersOnlyOutsideTextsNamesAndComments) {
  const tQV_SQLParams params = {tQV_SQLParam::Create("a", 1), tQV_SQLParam::Create("B", 2)};
  struct Case {
    std::string sql, expected;
  };
  const Case cases[] = {
      {"select :a, :b", "select ?, ?"},
      {"select ':a' + :a, :b", "select ':a' + ?, ?"},
      {"select 'it''s :a' + :b + :a", "select 'it''s :a' + ? + ?"},
      {"select [x:a], \"y:a\", :A, :b", "select [x:a], \"y:a\", ?, ?"},
      {"select :a -- :b\n, :b", "select ? -- :b\n, ?"},
      {"select /* :a */ :a, :b", "select /* :a */ ?, ?"},
      {"select ::a, :a, :b", "select ::a, ?, ?"},
      {"select :a1", ""},  // another name: a1 has no value
  };
  for (const Case& c : cases) {
    if (c.expected.empty()) {
      EXPECT_THROW(BindParameters(c.sql, params), Error) << c.sql;
      continue;
    }
    EXPECT_EQ(BindParameters(c.sql, params).sql, c.expected) << c.sql;
  }
}

TEST(SqlParametersTest, ValuesFollowTheMarkers) {
  const tQV_SQLParams params = {tQV_SQLParam::Create("a", 1), tQV_SQLParam::Create("b", "x"),
                                tQV_SQLParam::Create("A", 3)};
  tQV_BoundStatement bound = BindParameters("f(:b, :a, :b)", params);
  ASSERT_EQ(bound.values.size(), 3u);
  EXPECT_EQ(bound.values[0]->value.AsText(), "x");
  EXPECT_EQ(bound.values[1]->value.AsInteger(), 3);  // the later of two with one name
  EXPECT_EQ(bound.values[2], bound.values[0]);
}

TEST(SqlParametersTest, WithoutParametersTheTextStaysAsItIs) {
  EXPECT_EQ(BindParameters("select ':x', :y", {}).sql, "select ':x', :y");
}

}  // namespace
}  // namespace dodu::testing
