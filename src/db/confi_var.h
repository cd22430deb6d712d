#pragma once

#include <string>

#include "base/amount.h"
#include "base/date_time.h"

namespace dodu {

enum tQV_ConfiVarType { cft_string, cft_number, cft_date };

// One cached configuration variable of the store application; the proxy keeps them by their
// lower-case name.
class tQV_ConfiVar {
 public:
  explicit tQV_ConfiVar(std::string aName) : fName(std::move(aName)) {}

  const std::string& Name() const { return fName; }
  const std::string& ValueString() const { return fValueString; }
  void SetValueString(const std::string& aValue) { fValueString = aValue; }
  Amount ValueNumber() const { return fValueNumber; }
  void SetValueNumber(Amount aValue) { fValueNumber = aValue; }
  DateTime ValueDate() const { return fValueDate; }
  void SetValueDate(DateTime aValue) { fValueDate = aValue; }
  tQV_ConfiVarType ValueType() const { return fValueType; }
  void SetValueType(tQV_ConfiVarType aValue) { fValueType = aValue; }

 private:
  std::string fName;
  std::string fValueString;
  Amount fValueNumber;
  DateTime fValueDate;
  tQV_ConfiVarType fValueType = cft_string;
};

}  // namespace dodu
