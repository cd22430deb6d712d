// The store's information service against a real HTTP server on a loopback port, and the ADO
// recordsets its answers carry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>

#include "base/conversions.h"
#include "base/error.h"
#include "support/closed_port.h"
#include "db/ado_rowset.h"
#include "db/information_service.h"
#include "db/text_cipher.h"
#include "support/http_test_server.h"
#include "proxy_engines.h"
#include "store_application_tables.h"

namespace dodu::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Answer = HttpTestServer::Answer;

// The value of one field of an application/x-www-form-urlencoded body.
std::string FormField(const std::string& body, const std::string& name) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    const std::string pair = body.substr(start, end - start);
    if (pair.rfind(name + "=", 0) == 0) {
      std::string value;
      for (size_t i = name.size() + 1; i < pair.size(); ++i) {
        if (pair[i] == '+') {
          value += ' ';
        } else if (pair[i] == '%' && i + 2 < pair.size()) {
          value += static_cast<char>(std::stoi(pair.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          value += pair[i];
        }
      }
      return value;
    }
    start = end + 1;
  }
  return "(missing)";
}

std::string Escaped(const std::string& xml) {
  std::string out;
  for (char c : xml) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

// Two recordsets as ADO persists them: columns typed in the schema part, a null left out of
// its row, and an encoded column name.
const char* const kItemsRowset =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
    "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
    "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
    "<s:AttributeType name='Code' rs:number='1'><s:datatype dt:type='string' dt:maxLength='10'/></s:AttributeType>"
    "<s:AttributeType name='Qty' rs:number='2'><s:datatype dt:type='int' dt:maxLength='4'/></s:AttributeType>"
    "<s:AttributeType name='c2' rs:name='Unit Price' rs:number='3'>"
    "<s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8'/></s:AttributeType>"
    "<s:AttributeType name='Sold' rs:number='4'><s:datatype dt:type='dateTime'/></s:AttributeType>"
    "<s:AttributeType name='Active' rs:number='5'><s:datatype dt:type='boolean'/></s:AttributeType>"
    "<s:extends type='rs:rowbase'/></s:ElementType></s:Schema>"
    "<rs:data><z:row Code='A1' Qty='3' c2='12.5' Sold='2024-03-05T14:30:00' Active='True'/>"
    "<z:row Code='B&amp;2' c2='-0.1' Active='False'/></rs:data></xml>";
const char* const kStoresRowset =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
    "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
    "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
    "<s:AttributeType name='Store' rs:number='1' dt:type='string'/>"
    "<s:AttributeType name='Opened' rs:number='2' dt:type='date'/>"
    "</s:ElementType></s:Schema>"
    "<rs:data><z:row Store='M1' Opened='2020-01-31'/><rs:insert><z:row Store='M2'/></rs:insert></rs:data></xml>";

TEST(AdoRowsetTest, ColumnsKeepTheirSchemaTypesAndNullsStayNull) {
  tQV_VendizioDataset items(ReadAdoRowset(kItemsRowset));
  EXPECT_THAT(items.FieldNames(), ElementsAre("Code", "Qty", "Unit Price", "Sold", "Active"));
  const tQV_CellKind kinds[] = {tQV_CellKind::Text, tQV_CellKind::Integer, tQV_CellKind::Number,
                                tQV_CellKind::DateTime, tQV_CellKind::Boolean};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(items.FieldKind(i), kinds[i]) << i;
  ASSERT_EQ(items.RecordCount(), 2);
  EXPECT_EQ(items.FieldByName("code").AsString(), "A1");
  EXPECT_EQ(items.FieldByName("Qty").AsInteger(), 3);
  EXPECT_EQ(items.FieldByName("Unit Price").AsAmount(), Amount::Parse("12.5"));
  EXPECT_EQ(items.FieldByName("Sold").AsDateTime(), EncodeDateTime({2024, 3, 5, 14, 30, 0, 0}));
  EXPECT_TRUE(items.FieldByName("Active").AsBoolean());
  items.Next();
  EXPECT_EQ(items.FieldByName("Code").AsString(), "B&2");
  EXPECT_TRUE(items.FieldByName("Qty").IsNull());
  EXPECT_TRUE(items.FieldByName("Sold").IsNull());
  EXPECT_FALSE(items.FieldByName("Active").AsBoolean());
}

TEST(AdoRowsetTest, TextsThatAreNoRowsetAreRefusedWithTheReason) {
  const struct {
    const char* xml;
    const char* reason;
  } cases[] = {
      {"", "Rowset XML"},
      {"<xml><s:Schema/></xml>", "not an ADO rowset"},
      {"<xml xmlns:rs='urn:schemas-microsoft-com:rowset'/>", "no schema"},
      {"<x xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:rs='urn:schemas-microsoft-com:rowset'>"
       "<s:Schema/></x>",
       "describes no row"},
  };
  for (const auto& c : cases) {
    try {
      ReadAdoRowset(c.xml);
      ADD_FAILURE() << c.xml;
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.reason)) << c.xml;
    }
  }
}

// A rowset of `columns` text columns C0, C1 ... and `rows` rows, each naming the values given.
std::string WideRowset(size_t columns, size_t rows, const std::string& values = "") {
  std::string xml =
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>";
  for (size_t c = 0; c < columns; ++c) xml += "<s:AttributeType name='C" + std::to_string(c) + "' dt:type='string'/>";
  xml += "</s:ElementType></s:Schema><rs:data>";
  for (size_t r = 0; r < rows; ++r) xml += "<z:row " + values + "/>";
  return xml + "</rs:data></xml>";
}

// The crafted answer that cost columns x rows: 4 096 columns and 20 000 rows naming nothing are
// some 260 KB of text and would be 82 million cells. A row holds only the values it names.
TEST(AdoRowsetTest, RowsHoldOnlyTheValuesTheyName) {
  const tQV_ResultSet wide = ReadAdoRowset(WideRowset(kMaxRowsetColumns, 20000));
  ASSERT_EQ(wide.columns.size(), 4096u);
  ASSERT_EQ(wide.rows.size(), 20000u);
  for (const tQV_Row& row : wide.rows) ASSERT_EQ(row.CellCount(), 0u);

  // Values land in their columns whatever the order they come in; a value named twice counts
  // once, with its first text; an attribute of no column is no value.
  const tQV_ResultSet some = ReadAdoRowset(WideRowset(3000, 2, "C2999='last' C7='seven' C7='again' Other='x'"));
  ASSERT_EQ(some.rows.size(), 2u);
  const tQV_Row& row = some.rows[0];
  ASSERT_EQ(row.CellCount(), 2u);
  EXPECT_EQ(row.ColumnOf(0), 7u);
  EXPECT_EQ(row.Find(7)->text, "seven");
  EXPECT_EQ(row.Find(2999)->text, "last");
  EXPECT_EQ(row.Find(8), nullptr);
  tQV_VendizioDataset dataset{tQV_ResultSet(some)};
  EXPECT_EQ(dataset.FieldByName("C7").AsString(), "seven");
  EXPECT_TRUE(dataset.FieldByName("C0").IsNull());
  EXPECT_EQ(dataset.FieldByName("C2999").AsString(), "last");
}

// Past its limits (4 096 columns, 100 000 rows, 1 MiB a value) a rowset is refused with the
// limit it broke; at them it reads.
TEST(AdoRowsetTest, RowsetsPastTheirLimitsAreRefusedWithTheLimit) {
  static_assert(kMaxRowsetColumns == 4096 && kMaxRowsetRows == 100000 && kMaxRowsetCellBytes == 1024 * 1024);
  const std::string at_cell = "C0='" + std::string(kMaxRowsetCellBytes, 'v') + "'";
  const std::string past_cell = "C0='" + std::string(kMaxRowsetCellBytes + 1, 'v') + "'";
  const struct {
    std::string xml;
    const char* reason;  // empty: it reads
  } cases[] = {
      {WideRowset(kMaxRowsetColumns + 1, 1), "Rowset XML: more than 4096 columns"},
      {WideRowset(1, kMaxRowsetRows + 1), "Rowset XML: more than 100000 rows"},
      {WideRowset(1, 1, past_cell), "Rowset XML: a value of the column C0 is longer than 1048576 bytes"},
      {WideRowset(1, kMaxRowsetRows), ""},
      {WideRowset(1, 1, at_cell), ""},
  };
  for (const auto& c : cases) {
    try {
      ReadAdoRowset(c.xml);
      EXPECT_STREQ(c.reason, "") << "read although past a limit";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.reason);
    }
  }
  // Two columns that claim one attribute are no recordset ADO saves.
  const std::string twice = WideRowset(2, 1);
  std::string doubled = twice;
  doubled.replace(doubled.find("name='C1'"), 9, "name='C0'");
  EXPECT_THROW(ReadAdoRowset(doubled), Error);
}

TEST(InformationServiceUrlTest, TheServicePathJoinsTheHostWithOneSlash) {
  const struct {
    const char* host;
    const char* url;
  } cases[] = {
      {"http://h:8080", "http://h:8080/relaydeskws/service.asmx/NativeLive"},
      {"http://h/", "http://h/relaydeskws/service.asmx/NativeLive"},
      {"https://h\\", "https://h/relaydeskws/service.asmx/NativeLive"},
      {"http:", "http:relaydeskws/service.asmx/NativeLive"},
  };
  for (const auto& c : cases) EXPECT_EQ(InformationServiceUrl(c.host), c.url) << c.host;
  for (const char* host : {"ftp://h", "h:8080", ""}) {
    try {
      InformationServiceUrl(host);
      ADD_FAILURE() << host;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Protocol must be http or https");
    }
  }
}

class InformationServiceTest : public ProxyFixture<SqliteEngine> {
 protected:
  void SetUp() override {
    ProxyFixture<SqliteEngine>::SetUp();
    CreateStoreApplicationTables(*proxy);
    SetHost(server.Url(""));
  }
  void SetHost(const std::string& host) {
    proxy->ExecuteSQLCommand("delete from elcfg01f where ecvar='Cfg_CltHst'");
    AddConfiVar(*proxy, "elcfg01f", "Cfg_CltHst", "C", 100, 0, host);
    proxy->GetConfiVar("Cfg_CltHst", true);
  }
  bool Call(std::vector<std::string>& output, tQV_Datasets* datasets = nullptr) {
    return proxy->GetInfoFromService("42", "mario", "pa ss", "PROD", {"a=1", "b=x y&z"}, output, datasets, time);
  }
  void ExpectOneErrorLog(const std::string& start) {
    ASSERT_EQ(log_errors.size(), 1u);
    EXPECT_EQ(log_errors[0].rfind(start, 0), 0u) << log_errors[0];
  }

  HttpTestServer server;
  DateTime time{123.0};
};

TEST_F(InformationServiceTest, TheRequestIsOneFormFieldHoldingTheRequestDocument) {
  proxy->SetRelaydeskLocale("pt");
  server.Enqueue(Answer::Status(200, "OK", "<KXResponse><Response/></KXResponse>"));
  std::vector<std::string> output;
  EXPECT_TRUE(Call(output));
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& request = requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/relaydeskws/service.asmx/NativeLive");
  EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.body.substr(0, 4), "xml=");
  EXPECT_EQ(request.body.find('&'), std::string::npos);  // one field only

  const std::string xml = FormField(request.body, "xml");
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << xml;
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(xml.c_str())) << xml;
  const pugi::xml_node root = document.document_element();
  EXPECT_STREQ(root.name(), "KXRequest");
  std::vector<std::string> children;
  for (const auto& child : root.children()) children.push_back(child.name());
  EXPECT_THAT(children, ElementsAre("Head", "Requester", "Request"));

  const pugi::xml_node user = root.child("Head").child("User");
  const struct {
    const char* what;
    std::string actual, expected;
  } fields[] = {
      {"environment", root.child("Head").child("Environment").attribute("Name").value(), "PROD"},
      {"user", user.attribute("Name").value(), "mario"},
      {"password", user.attribute("Password").value(), CiphersText("pa ss")},
      {"deciphered password", DeCiphersText(user.attribute("Password").value()), "pa ss"},
      {"language", user.attribute("Language").value(), "pt"},
      {"computer", root.child("Requester").attribute("ComputerName").value(), ComputerName()},
      {"address", root.child("Requester").attribute("IPAddress").value(), LocalIPAddress()},
      {"service", root.child("Request").child("Service").attribute("Name").value(), "42"},
      {"param 0", root.child("Request").child("Service").attribute("Param0").value(), "a=1"},
      {"param 1", root.child("Request").child("Service").attribute("Param1").value(), "b=x y&z"},
  };
  for (const auto& f : fields) EXPECT_EQ(f.actual, f.expected) << f.what;
  EXPECT_FALSE(root.child("Request").child("Service").attribute("Param2"));
  const std::string stamp = root.child("Requester").attribute("Time").value();
  ASSERT_EQ(stamp.size(), 17u);
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(stamp.substr(0, 4), std::to_string(DecodeDateTime(Now()).year));
}

TEST_F(InformationServiceTest, AnswersGiveOutputLinesErrorsAndTheServerTime) {
  const struct {
    const char* what;
    std::string answer;
    bool result;
    std::vector<std::string> output;
    double milliseconds;  // the server time, or -1 when it stays as it was
  } cases[] = {
      {"output lines",
       "<KXResponse><Head><Server TimeProcessBegin='20240305143000250' TimeProcessEnd='20240305143001750'/></Head>"
       "<Response><Status>1</Status><Message>done</Message><Empty/></Response></KXResponse>",
       true, {"Status=1", "Message=done", "Empty="}, 1500},
      {"error", "<KXResponse><Head><Server/></Head><Response><Error>User unknown</Error><Status>0</Status>"
       "</Response></KXResponse>", false, {"Error=User unknown"}, -1},
      {"no server part", "<KXResponse><Response><Status>1</Status></Response></KXResponse>", true, {}, -1},
  };
  for (const auto& c : cases) {
    server.Enqueue(Answer::Status(200, "OK", c.answer));
    time = DateTime(123.0);
    std::vector<std::string> output;
    EXPECT_EQ(Call(output), c.result) << c.what;
    EXPECT_EQ(output, c.output) << c.what;
    if (c.milliseconds < 0) {
      EXPECT_EQ(time, DateTime(123.0)) << c.what;
    } else {
      EXPECT_EQ(std::llround(time.value * 86400000.0), std::llround(c.milliseconds)) << c.what;
    }
  }
  EXPECT_TRUE(log_errors.empty());
}

TEST_F(InformationServiceTest, RecordsetsOfTheAnswerBecomeDatasets) {
  server.Enqueue(Answer::Status(
      200, "OK",
      "<KXResponse><Head><Server TimeProcessBegin='20240305143000000' TimeProcessEnd='20240305143000000'/></Head>"
      "<Response><Status>1</Status><rs>" + Escaped(kItemsRowset) + "</rs><rs>" + Escaped(kStoresRowset) +
          "</rs></Response></KXResponse>"));
  std::vector<std::string> output;
  tQV_Datasets datasets;
  ASSERT_TRUE(Call(output, &datasets));
  EXPECT_THAT(output, ElementsAre("Status=1"));
  ASSERT_EQ(datasets.size(), 2u);
  EXPECT_EQ(datasets[0]->RecordCount(), 2);
  EXPECT_EQ(datasets[0]->FieldByName("Unit Price").AsAmount(), Amount::Parse("12.5"));
  EXPECT_EQ(datasets[0]->FieldKind(1), tQV_CellKind::Integer);
  auto& stores = *datasets[1];
  EXPECT_EQ(stores.FieldKind(1), tQV_CellKind::DateTime);
  ASSERT_EQ(stores.RecordCount(), 2);
  EXPECT_EQ(stores.FieldByName("Opened").AsDateTime(), EncodeDate(2020, 1, 31));
  stores.Next();
  EXPECT_EQ(stores.FieldByName("Store").AsString(), "M2");
  EXPECT_TRUE(stores.FieldByName("Opened").IsNull());

  // Without a list the recordsets are not read.
  server.Enqueue(Answer::Status(200, "OK",
                                "<R><Head><Server/></Head><Response><rs>not a rowset</rs><A>1</A></Response></R>"));
  output.clear();
  EXPECT_TRUE(Call(output));
  EXPECT_THAT(output, ElementsAre("A=1"));
}

TEST_F(InformationServiceTest, UnreadableAnswersAndFailedPostsRaise) {
  server.Enqueue(Answer::Status(200, "OK", "<R><Head><Server/></Head><Response><rs>&lt;x/&gt;</rs></Response></R>"));
  std::vector<std::string> output;
  tQV_Datasets datasets;
  try {
    Call(output, &datasets);
    ADD_FAILURE() << "a bad recordset was read";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("Error in reading rs Node: "));
  }
  EXPECT_TRUE(datasets.empty());

  server.Enqueue(Answer::Status(200, "OK", "<R><unclosed></R>"));
  EXPECT_THROW(Call(output), Error);

  // A failed POST: its message in the output and the log, then the empty answer fails.
  server.Enqueue(Answer::Status(500, "Internal Server Error", "boom"));
  output.clear();
  try {
    Call(output);
    ADD_FAILURE() << "a failed POST was answered";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("Error in processing XML Response: "));
  }
  ASSERT_EQ(output.size(), 1u);
  EXPECT_EQ(output[0].rfind("Error=", 0), 0u);
  ExpectOneErrorLog("After Post:");
  EXPECT_EQ(log_errors[0].substr(11), output[0].substr(6));

  ClosedPort closed;
  SetHost("http://127.0.0.1:" + std::to_string(closed.Port()));
  output.clear();
  EXPECT_THROW(Call(output), Error);
  ASSERT_EQ(output.size(), 1u);
  EXPECT_EQ(log_errors.size(), 2u);
}

class MovementAnnounceTest : public InformationServiceTest {
 protected:
  void SetUp() override {
    InformationServiceTest::SetUp();
    AddConfiVar(*proxy, "elcfg01f", "Cfg_CltUsr", "C", 20, 0, "svc");
    AddConfiVar(*proxy, "elcfg01f", "Cfg_CltPwd", "C", 20, 0, "pw");
    AddConfiVar(*proxy, "elcfg01f", "Cfg_CltEnv", "C", 20, 0, "ENV1");
    AddConfiVar(*proxy, "elcfg01f", "Cfg_CltRpy", "N", 2, 0, "02");
    movement.SetNod("N01");
    movement.SetPer("2024");
    movement.SetCod("G1");
    movement.SetImV(Amount::Parse("12.5"));
    movement.SetDtS(EncodeDate(2024, 3, 5));
    movement.SetOrS(EncodeDateTime({1899, 12, 30, 9, 5, 7, 0}));
    movement.SetNSc(17);
  }
  static std::string ErrorAnswer(const std::string& text) {
    return "<R><Response><Error>" + text + "</Error></Response></R>";
  }
  static std::string StatusAnswer(const std::string& status) {
    return "<R><Head><Server/></Head><Response><Status>" + status + "</Status></Response></R>";
  }
  std::string Param(size_t request, const std::string& name) {
    pugi::xml_document document;
    document.load_string(FormField(server.Requests().at(request).body, "xml").c_str());
    return document.document_element().child("Request").child("Service").attribute(name.c_str()).value();
  }

  kGFMOV movement;
};

TEST_F(MovementAnnounceTest, FailedAttemptsAreRetriedUpToTheConfiguredCount) {
  const struct {
    const char* what;
    std::vector<Answer> answers;
    size_t requests;
    const char* result;  // "true", "false", or the error raised
  } cases[] = {
      {"at once", {Answer::Status(200, "OK", StatusAnswer("1"))}, 1, "true"},
      {"status 0", {Answer::Status(200, "OK", StatusAnswer("0"))}, 1, "false"},
      {"after two errors",
       {Answer::Status(200, "OK", ErrorAnswer("busy")), Answer::Status(503, "Unavailable"),
        Answer::Status(200, "OK", StatusAnswer("1"))},
       3, "true"},
      {"never",
       {Answer::Status(200, "OK", ErrorAnswer("first")), Answer::Status(200, "OK", ErrorAnswer("second")),
        Answer::Status(200, "OK", ErrorAnswer("third"))},
       3, "third"},
  };
  size_t before = 0;
  for (const auto& c : cases) {
    for (const Answer& answer : c.answers) server.Enqueue(answer);
    std::string result;
    try {
      result = proxy->AnnounceGFMOV(movement) ? "true" : "false";
    } catch (const Error& e) {
      result = e.what();
    }
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(server.Requests().size() - before, c.requests) << c.what;
    before = server.Requests().size();
  }
}

TEST_F(MovementAnnounceTest, TheMovementGoesAsServiceParameters) {
  server.Enqueue(Answer::Status(200, "OK", StatusAnswer("1")));
  proxy->SetUser("vdz");
  ASSERT_TRUE(proxy->AnnounceGFMOV(movement));
  const struct {
    const char* param;
    std::string line;
  } expected[] = {
      {"Param0", "GmNod=N01"},       {"Param2", "GmCod=G1"},     {"Param5", "GmImV=12.5"},
      {"Param8", "GmDtS=20240305"},  {"Param9", "GmOrS=090507"}, {"Param11", "GmNSc=17"},
      {"Param13", "GmDtA=18991230"}, {"Param16", "vdzusr=vdz"},  {"Param17", "winusr=" + UserName()},
      {"Param18", "host=" + ComputerName()}, {"Param19", "action=0"},
  };
  for (const auto& e : expected) EXPECT_EQ(Param(0, e.param), e.line) << e.param;
  EXPECT_EQ(Param(0, "Param20"), "");
  pugi::xml_document document;
  document.load_string(FormField(server.Requests().at(0).body, "xml").c_str());
  const pugi::xml_node root = document.document_element();
  EXPECT_STREQ(root.child("Request").child("Service").attribute("Name").value(), "1005");
  EXPECT_STREQ(root.child("Head").child("User").attribute("Name").value(), "svc");
  EXPECT_STREQ(root.child("Head").child("Environment").attribute("Name").value(), "ENV1");
  EXPECT_EQ(DeCiphersText(root.child("Head").child("User").attribute("Password").value()), "pw");
}

}  // namespace
}  // namespace dodu::testing
