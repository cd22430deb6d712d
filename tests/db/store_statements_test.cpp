// The store-application statements as SQL Server receives them, character for character, and
// the pure rules beside them (code increments, configuration values, VAT, normalised texts).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/error.h"
#include "db/annotations.h"
#include "db/coded_tables.h"
#include "db/configuration_variables.h"
#include "db/document_numbering.h"
#include "db/gfmov.h"
#include "db/record_writer.h"
#include "db/sql_identifier.h"
#include "db/store_lookups.h"
#include "db/vat_amounts.h"
#include "db/vendizio_proxy.h"

namespace dodu::testing {
namespace {

struct StatementCase {
  const char* what;
  std::string actual;
  std::string expected;
};

TEST(StoreStatementTest, SqlServerTextsToTheCharacter) {
  const SqlDialect& sql = SqlServerDialect();
  const std::vector<std::string> tbcoa_columns = {"caarc", "cakey", "caprg", "catxt", "canet", "annullato"};
  const StatementCase cases[] = {
      {"variable definition", ConfiVarDefinitionStatement("elcfg01f", "cfg_smtppt", sql),
       "select * from elcfg01f where ecvar='cfg_smtppt' and isnull(annullato,'')<>'S' "},
      {"variable value", ConfiVarValueStatement("o'neil", "cfg_smtppt", sql),
       "select dbo.fn_Cfg('o''neil','','cfg_smtppt') as Value"},
      {"node", NodoStatement(sql),
       "select dbo.fn_Cfg('','','Cfg_NodoR1')+dbo.fn_Cfg('','','Cfg_NodoR2')+dbo.fn_Cfg('','','Cfg_NodoR3') as Nodo"},
      {"decode, text and number fields",
       sql.DecodeTabelStatement({{"C", "A", "tbdes", 1, 3, 0}, {"N", "B", "tbdes", 4, 5, 2}}, "XY",
                                sql.TemporaryTable("XY")),
       "SELECT Pkey,CONVERT(VARCHAR(1),'') AS ANNULLATO,A=SUBSTRING(tbdes,1,3),"
       "B=convert(decimal(10,2),'0'+SUBSTRING(tbdes,4,5))/100 into #XY from TABEL00F "
       "where ISNULL(ANNULLATO,'')<>'S' and tbtab='XY'"},
      {"decode, date and whole-number fields and an unknown type",
       sql.DecodeTabelStatement(
           {{"D", "DT", "tbdes", 9, 8, 0}, {"N", "Q", "tbkey", 1, 2, 0}, {"X", "Z", "tbdes", 1, 1, 0}}, "D1",
           sql.TemporaryTable("D1")),
       "SELECT Pkey,CONVERT(VARCHAR(1),'') AS ANNULLATO,DT=Case SUBSTRING(tbdes,9,8) WHEN '00000000' THEN "
       "Convert(DateTime,'18991230') WHEN ''         THEN Convert(DateTime,'18991230')                   ELSE "
       "Convert(DateTime,SUBSTRING(tbdes,9,8)) END,Q=convert(decimal(7,0),'0'+SUBSTRING(tbkey,1,2))/1 into #D1 "
       "from TABEL00F where ISNULL(ANNULLATO,'')<>'S' and tbtab='D1'"},
      {"decoded rows by key", GetTabelStatement("NDOR", {"T_NDOR_MAG", "T_NDOR_TDO"}, sql),
       "select * from #NDOR where T_NDOR_MAG=:T_NDOR_MAG and T_NDOR_TDO=:T_NDOR_TDO "},
      {"columns", sql.TableColumnsStatement("anclf00f"),
       "select name from sys.columns where object_id=object_id('anclf00f') order by column_id"},
      {"basket", ExistsInBasketStatement(), "exec sp_ExistsInBasket :item,:itemtype,:basketcode"},
      {"document number", AssignDocumentNumberStatement("*GF", "2024"),
       "declare @Number int\r\nexec dbo.SP_NextNumDoc '*GF','2024','','S','',@Number OUTPUT\r\nSELECT @Number as Number"},
      {"next number", NextNumberStatement("*ART", "****", "", false),
       "declare @n decimal(7,0)\r\nexec SP_NextNumDoc '*ART','****','','N','',@n output\r\nselect @n As NextNum"},
      {"next number, zero-based", NextNumberStatement("FT", "2024", "M1", true),
       "declare @n decimal(7,0)\r\nexec SP_NextNumDoc 'FT','2024','M1','S','',@n output\r\nselect @n As NextNum"},
      {"internal number", sql.NextInternalNumberStatement(),
       "declare @Number decimal(9,0)\r\nupdate NUMER00F set @Number=NMPRG=NMPRG+1 \r\nIF @@ROWCOUNT=0\r\nBEGIN\r\n"
       "  INSERT NUMER00F (NMPRG) values(1)\r\n  SET @Number=1\r\nEND\r\nSELECT @Number as Number\r\n"},
      {"highest customer code", HighestCodeStatement("C", "C00001", "C99999", sql),
       "SELECT MAX(anana) as MaxCod FROM ANCLF00F WHERE AnTip='C' And anana between 'C00001' and 'C99999' and "
       "isnull(annullato,'')<>'S' "},
      {"annotation delete", AnnotationDeleteStatement("ART", "K1", 3, sql),
       "update TBCOA00F set annullato='S' where caarc='ART'  and cakey='K1'  and caprg>=3  and "
       "isnull(annullato,'')<>'S' "},
      {"program running", ProgramRunningStatement("SHOP"),
       "select count(*) as num from master..sysprocesses where program_name like 'SHOP%'"},
      {"movement insert", GFMOVInsertStatement(sql.InsertVerb()),
       "insert gfmon00f (gnnod,gnper,gnnum,gncod,gncau,gndes,gnimp,gnimv,gnval,gnneg,gndts,gnors,gncas,gnnsc,gnrsc,"
       "gnnau,gndta,gnope,gntip) values(:gnnod,:gnper,:gnnum,:gncod,:gncau,:gndes,:gnimp,:gnimv,:gnval,:gnneg,"
       ":gndts,:gnors,:gncas,:gnnsc,:gnrsc,:gnnau,:gndta,:gnope,:gntip)"},
      {"record insert skips unknown columns",
       InsertRecordStatement("tbcoa00f", tbcoa_columns, {"CANET=N1", "CAARC=ART", "BOGUS=x", "CATXT=it's=ok"}, sql),
       "INSERT tbcoa00f (CANET,CAARC,CATXT) VALUES('N1','ART','it''s=ok')"},
      {"record update",
       UpdateRecordStatement(*FindVdzDecodeMap(nt_tbcoa), tbcoa_columns, {"CATXT=a", "X=1", "CANET=N1"},
                             {"ART", "K1", 2}, sql, nullptr),
       "update tbcoa00f set CATXT='a',CANET='N1' where caarc='ART' and cakey='K1' and caprg=2 and "
       "isnull(annullato,'')<>'S' "},
  };
  for (const StatementCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(StoreStatementTest, CodedTableWithoutKeyValuesIsRefused) {
  EXPECT_THROW(GetTabelStatement("ALIV", {}, SqlServerDialect()), Error);
}

// A code or a column that is not a plain name never reaches a statement, in either dialect.
TEST(StoreStatementTest, CodedTableNamesThatAreNotPlainAreRefused) {
  const std::string hostile[] = {
      "NDOR where 1=1; drop table Receipts --",
      "NDOR;drop",
      "",
      "1ABC",
      "A-B",
      "A B",
      "A.B",
      "A]B",
      "A\"B",
      "A'B",
      "A\nB",
      "A/*",
      "A#",
      std::string("A\0B", 3),
      "\xc3\x81LIV",  // a letter, but not an ASCII one
      std::string(kMaxSqlIdentifierLength + 1, 'A'),
  };
  for (const SqlDialect* dialect : {&SqlServerDialect(), &SqliteDialect()}) {
    for (const std::string& name : hostile) {
      try {
        GetTabelStatement(name, {"T_NDOR_MAG"}, *dialect);
        ADD_FAILURE() << "code accepted: " << name;
      } catch (const Error& e) {
        EXPECT_THAT(e.what(), ::testing::StartsWith("Coded table code [")) << name;
        EXPECT_THAT(e.what(), ::testing::HasSubstr("] is refused: a name in a statement may hold only letters"));
      }
      try {
        GetTabelStatement("NDOR", {"T_NDOR_MAG", name}, *dialect);
        ADD_FAILURE() << "column accepted: " << name;
      } catch (const Error& e) {
        EXPECT_THAT(e.what(), ::testing::StartsWith("Column of coded table NDOR [")) << name;
      }
    }
    // The longest names: the code leaves room for the "#" of its temporary table.
    const std::string code(kMaxSqlIdentifierLength - 1, 'C'), column(kMaxSqlIdentifierLength, 'k');
    EXPECT_NO_THROW(GetTabelStatement(code, {column, "_1"}, *dialect));
    EXPECT_THROW(GetTabelStatement(code + "C", {column}, *dialect), Error);
  }
  // The message quotes no more of a long name than a name may have.
  try {
    GetTabelStatement(std::string(100000, 'x') + ";", {"K"}, SqlServerDialect());
    ADD_FAILURE() << "a long code was accepted";
  } catch (const Error& e) {
    EXPECT_LT(std::string(e.what()).size(), 300u);
  }
}

TEST(StoreStatementTest, ProgramNamesAreMatchedLiterally) {
  const StatementCase cases[] = {
      {"plain", ProgramRunningStatement("SHOP.exe"),
       "select count(*) as num from master..sysprocesses where program_name like 'SHOP.exe%'"},
      {"wildcards", ProgramRunningStatement("_%"),
       "select count(*) as num from master..sysprocesses where program_name like '!_!%%' escape '!'"},
      {"character class", ProgramRunningStatement("a[b-z]"),
       "select count(*) as num from master..sysprocesses where program_name like 'a![b-z]%' escape '!'"},
      {"the escape character", ProgramRunningStatement("x!y"),
       "select count(*) as num from master..sysprocesses where program_name like 'x!!y%' escape '!'"},
      {"quote", ProgramRunningStatement("O'Brien_1"),
       "select count(*) as num from master..sysprocesses where program_name like 'O''Brien!_1%' escape '!'"},
  };
  for (const StatementCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(StoreRulesTest, CodeAfterIncrementsTheTrailingDigitsWithinTheirWidth) {
  const struct {
    const char* code;
    std::optional<std::string> next;
  } cases[] = {
      {"C00001", "C00002"}, {"C00041", "C00042"}, {"C00099", "C00100"}, {"AB9C19", "AB9C20"},
      {"000", "001"},       {"C99999", std::nullopt}, {"C", std::nullopt}, {"", std::nullopt},
      {"12X", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeAfter(c.code), c.next) << c.code;
}

TEST(StoreRulesTest, ConfigurationNumbersAndDates) {
  const struct {
    const char* text;
    int length, decimals;
    const char* value;
  } numbers[] = {{"0001250", 7, 2, "12.5"}, {"0000042", 7, 0, "42"}, {"123", 3, 3, "0.123"}, {"00012", 7, 2, "12"}};
  for (const auto& n : numbers)
    EXPECT_EQ(DecodeConfiNumber(n.text, n.length, n.decimals), Amount::Parse(n.value)) << n.text;
  EXPECT_THROW(DecodeConfiNumber("12A4", 4, 0), Error);

  EXPECT_EQ(DecodeConfiDate("20240305"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(DecodeConfiDate("00000000"), DateTime());
  EXPECT_THROW(DecodeConfiDate("20240230"), Error);
  EXPECT_THROW(DecodeConfiDate("2024"), Error);
}

TEST(StoreRulesTest, VatConversionsRoundOnceToCentsWithTiesToEven) {
  const struct {
    const char* value;
    const char* rate;
    const char* without;
    const char* with;
  } cases[] = {
      {"12.30", "23", "10", "15.13"},  // 12.30 × 1.23 = 15.129
      {"10", "23", "8.13", "12.3"},
      {"0.05", "10", "0.05", "0.06"},   // 0.055 → 0.06 (6 is even)
      {"0.15", "10", "0.14", "0.16"},   // 0.165 → 0.16; 0.1363.. → 0.14
      {"-12.30", "23", "-10", "-15.13"},
      {"7", "0", "7", "7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AmountWithoutVAT(Amount::Parse(c.value), Amount::Parse(c.rate)), Amount::Parse(c.without)) << c.value;
    EXPECT_EQ(AmountWithVAT(Amount::Parse(c.value), Amount::Parse(c.rate)), Amount::Parse(c.with)) << c.value;
  }
  // Products beyond 64 bits stay exact; results beyond the amount's range raise.
  EXPECT_EQ(AmountWithoutVAT(Amount::Parse("900000000000000"), Amount::Parse("23")),
            Amount::Parse("731707317073170.73"));
  EXPECT_THROW(AmountWithVAT(Amount::Parse("900000000000000"), Amount::Parse("23")), Error);
  EXPECT_EQ(MarginPercent(Amount::Parse("800000000000000"), Amount::Parse("900000000000000")),
            Amount::Parse("11.1111"));
  EXPECT_THROW(MarginPercent(Amount::Parse("-900000000000000"), Amount::Parse("1")), Error);
  EXPECT_THROW(AmountWithoutVAT(Amount::Parse("1"), Amount::Parse("-100")), Error);
  EXPECT_EQ(MarginPercent(Amount::Parse("5"), Amount::Parse("10")), Amount::Parse("50"));
  EXPECT_EQ(MarginPercent(Amount::Parse("2"), Amount::Parse("3")), Amount::Parse("33.3333"));
  EXPECT_EQ(MarginPercent(Amount::Parse("5"), Amount()), Amount());
}

TEST(StoreRulesTest, NormalizeStringRemovesPunctuationCharacterWise) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"A-B.C/D", "ABCD"},
      {" |\\!?$%/()=^,.;:_-\u00F8+*@#\"", ""},
      {"S\u00E3o Jo\u00E3o, 12", "S\u00E3oJo\u00E3o12"},
      {"\u00D8re\u00F8", "\u00D8re"},  // only the small ø is in the set
  };
  for (const auto& c : cases) EXPECT_EQ(tQV_VendizioProxy::NormalizeString(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace dodu::testing
