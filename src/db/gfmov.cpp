#include "db/gfmov.h"

#include <cmath>

#include "base/conversions.h"
#include "base/error.h"
#include "base/format_settings.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

int64_t WholeDays(DateTime value) { return static_cast<int64_t>(std::floor(value.value)); }

std::string Yyyymmdd(DateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  return ZeroPadded(int64_t{f.year}, 4) + ZeroPadded(int64_t{f.month}, 2) + ZeroPadded(int64_t{f.day}, 2);
}

int32_t Hhnnss(DateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  return f.hour * 10000 + f.minute * 100 + f.second;
}

std::string LocaleDecimal(Amount value) {
  std::string text = value.ToText();
  const size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, GetFormatSettings().decimalSeparator);
  return text;
}

// The value of the output line name=value, "" when there is none.
std::string OutputValue(const std::vector<std::string>& aOutput, const std::string& aName) {
  const std::string prefix = aName + "=";
  for (const std::string& line : aOutput)
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
  return {};
}

}  // namespace

std::string GFMOVInsertStatement(const std::string& aInsertVerb) {
  return aInsertVerb +
         "gfmon00f (gnnod,gnper,gnnum,gncod,gncau,gndes,gnimp,gnimv,gnval,gnneg,gndts,gnors,gncas,gnnsc,gnrsc,gnnau,"
         "gndta,gnope,gntip) values(:gnnod,:gnper,:gnnum,:gncod,:gncau,:gndes,:gnimp,:gnimv,:gnval,:gnneg,:gndts,"
         ":gnors,:gncas,:gnnsc,:gnrsc,:gnnau,:gndta,:gnope,:gntip)";
}

tQV_SQLParams GFMOVInsertParams(const kGFMOV& m) {
  using P = tQV_SQLParam;
  return {P::Create("gnnod", m.Nod()),          P::Create("gnper", m.Per()),
          P::Create("gnnum", m.Num()),          P::Create("gncod", m.Cod()),
          P::Create("gncau", m.Cau()),          P::Create("gndes", m.Des()),
          P::Create("gnimp", m.Imp()),          P::Create("gnimv", m.ImV()),
          P::Create("gnval", m.Val()),          P::Create("gnneg", m.Neg()),
          P::Create("gndts", WholeDays(m.DtS())), P::Create("gnors", Hhnnss(m.OrS())),
          P::Create("gncas", m.Cas()),          P::Create("gnnsc", m.NSc()),
          P::Create("gnrsc", m.RSc()),          P::Create("gnnau", m.NAu()),
          P::Create("gndta", WholeDays(m.Dta())), P::Create("gnope", m.Ope()),
          P::Create("gntip", m.Tip())};
}

std::vector<std::string> GFMOVServiceInput(const kGFMOV& m, const std::string& aVdzUser) {
  return {"GmNod=" + m.Nod(),
          "GmPer=" + m.Per(),
          "GmCod=" + m.Cod(),
          "GmCau=" + m.Cau(),
          "GmDes=" + m.Des(),
          "GmImV=" + LocaleDecimal(m.ImV()),
          "GmVal=" + m.Val(),
          "GmNeg=" + m.Neg(),
          "GmDtS=" + Yyyymmdd(m.DtS()),
          "GmOrS=" + ZeroPadded(int64_t{Hhnnss(m.OrS())}, 6),
          "GmCas=" + m.Cas(),
          "GmNSc=" + std::to_string(m.NSc()),
          "GmNAu=" + std::to_string(m.NAu()),
          "GmDtA=" + Yyyymmdd(m.Dta()),
          "GmOpe=" + m.Ope(),
          "GmTip=" + m.Tip(),
          "vdzusr=" + aVdzUser,
          "winusr=" + UserName(),
          "host=" + ComputerName(),
          "action=0"};
}

bool tQV_VendizioProxy::AddGFMOV(kGFMOV& aGFMOV) {
  aGFMOV.SetNod(GetNodo());
  aGFMOV.SetPer(std::to_string(DecodeDateTime(Now()).year));
  aGFMOV.SetNum(AssignDocumentNumber("*GF"));
  ExecuteSQLCommand(GFMOVInsertStatement(Dialect().InsertVerb()), GFMOVInsertParams(aGFMOV));
  return AnnounceGFMOV(aGFMOV);
}

bool tQV_VendizioProxy::AnnounceGFMOV(const kGFMOV& aGFMOV) {
  const std::vector<std::string> input = GFMOVServiceInput(aGFMOV, fUser);
  const std::string user = GetConfiVarText("Cfg_CltUsr");
  const std::string password = GetConfiVarText("Cfg_CltPwd");
  const std::string environment = GetConfiVarText("Cfg_CltEnv");
  const int64_t retries = GetConfiVarInteger("Cfg_CltRpy");

  std::vector<std::string> output;
  bool answered = false;
  for (int64_t failed = 0; !answered && failed <= retries;) {
    output.clear();
    DateTime server_time;
    try {
      answered = GetInfoFromService("1005", user, password, environment, input, output, nullptr, server_time);
    } catch (const std::exception& e) {
      // A request that could not be read is a failed attempt like an answer with an error.
      if (OutputValue(output, "Error").empty()) output.push_back("Error=" + std::string(e.what()));
    }
    if (!answered) ++failed;
  }
  const std::string error = OutputValue(output, "Error");
  if (!answered) throw Error(error.empty() ? "Unknow error in GetInfoFromService call" : error);
  if (!error.empty()) throw Error(error);
  return OutputValue(output, "Status") == "1";
}

}  // namespace dodu
