#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/amount.h"
#include "base/date_time.h"
#include "db/sql_value.h"

namespace dodu {

// One movement to record in gfmon00f and announce to the information service. AddGFMOV fills
// the node, the period and the number.
class kGFMOV {
 public:
  const std::string& Nod() const { return fNod; }
  void SetNod(const std::string& aValue) { fNod = aValue; }
  const std::string& Per() const { return fPer; }
  void SetPer(const std::string& aValue) { fPer = aValue; }
  int32_t Num() const { return fNum; }
  void SetNum(int32_t aValue) { fNum = aValue; }
  const std::string& Cod() const { return fCod; }
  void SetCod(const std::string& aValue) { fCod = aValue; }
  const std::string& Cau() const { return fCau; }
  void SetCau(const std::string& aValue) { fCau = aValue; }
  const std::string& Des() const { return fDes; }
  void SetDes(const std::string& aValue) { fDes = aValue; }
  Amount Imp() const { return fImp; }
  void SetImp(Amount aValue) { fImp = aValue; }
  Amount ImV() const { return fImV; }
  void SetImV(Amount aValue) { fImV = aValue; }
  const std::string& Val() const { return fVal; }
  void SetVal(const std::string& aValue) { fVal = aValue; }
  const std::string& Neg() const { return fNeg; }
  void SetNeg(const std::string& aValue) { fNeg = aValue; }
  DateTime DtS() const { return fDtS; }
  void SetDtS(DateTime aValue) { fDtS = aValue; }
  DateTime OrS() const { return fOrS; }
  void SetOrS(DateTime aValue) { fOrS = aValue; }
  const std::string& Cas() const { return fCas; }
  void SetCas(const std::string& aValue) { fCas = aValue; }
  int32_t NSc() const { return fNSc; }
  void SetNSc(int32_t aValue) { fNSc = aValue; }
  int32_t RSc() const { return fRSc; }
  void SetRSc(int32_t aValue) { fRSc = aValue; }
  int32_t NAu() const { return fNAu; }
  void SetNAu(int32_t aValue) { fNAu = aValue; }
  DateTime Dta() const { return fDta; }
  void SetDta(DateTime aValue) { fDta = aValue; }
  const std::string& Ope() const { return fOpe; }
  void SetOpe(const std::string& aValue) { fOpe = aValue; }
  const std::string& Tip() const { return fTip; }
  void SetTip(const std::string& aValue) { fTip = aValue; }

 private:
  std::string fNod;
  std::string fPer;
  int32_t fNum = 0;
  std::string fCod, fCau, fDes;
  Amount fImp, fImV;
  std::string fVal, fNeg;
  DateTime fDtS, fOrS;
  std::string fCas;
  int32_t fNSc = 0, fRSc = 0, fNAu = 0;
  DateTime fDta;
  std::string fOpe, fTip;
};

// The insert of a movement and its 19 parameters named after the gfmon00f columns: dates as
// whole day numbers, the time of day as the integer hhnnss.
std::string GFMOVInsertStatement(const std::string& aInsertVerb);
tQV_SQLParams GFMOVInsertParams(const kGFMOV& aGFMOV);
// The input lines of the information service's movement request (service 1005).
std::vector<std::string> GFMOVServiceInput(const kGFMOV& aGFMOV, const std::string& aVdzUser);

}  // namespace dodu
