#include "saft/saft_period.h"

#include <cctype>

#include "base/conversions.h"
#include "base/date_time.h"
#include "base/error.h"

namespace dodu {

namespace {

struct CivilDate {
  int year = 0, month = 0, day = 0;
  auto operator<=>(const CivilDate&) const = default;
};

// Only the exact form yyyy-mm-dd: the date is compared as text in the store, so a looser form
// would select other days than the ones it names.
CivilDate ParseDay(const std::string& aText, const char* aWhat) {
  const auto digits = [&](size_t from, size_t count) {
    int value = 0;
    for (size_t i = from; i < from + count; ++i) {
      if (!std::isdigit(static_cast<unsigned char>(aText[i]))) return -1;
      value = value * 10 + (aText[i] - '0');
    }
    return value;
  };
  if (aText.size() != 10 || aText[4] != '-' || aText[7] != '-')
    throw Error(std::string(aWhat) + " date '" + aText + "' is not of the form YYYY-MM-DD");
  CivilDate date{digits(0, 4), digits(5, 2), digits(8, 2)};
  if (date.year < 0 || date.month < 0 || date.day < 0)
    throw Error(std::string(aWhat) + " date '" + aText + "' is not of the form YYYY-MM-DD");
  // The file's dates must lie between 2000 and 9999.
  if (date.year < 2000 || !IsValidDate(date.year, date.month, date.day))
    throw Error(std::string(aWhat) + " date '" + aText + "' is no valid date (from 2000-01-01 on)");
  return date;
}

}  // namespace

SaftPeriod ParseSaftPeriod(const std::string& aFrom, const std::string& aTo) {
  const CivilDate from = ParseDay(aFrom, "the start");
  const CivilDate to = ParseDay(aTo, "the end");
  if (to < from) throw Error("the period ends (" + aTo + ") before it starts (" + aFrom + ")");
  if (to.year != from.year)
    throw Error("the period " + aFrom + " to " + aTo + " spans two years; a SAF-T file covers days of one year");
  SaftPeriod period;
  period.year = from.year;
  period.from = aFrom;
  period.to = aTo;
  period.dayAfterTo = DateToXmlText(IncDays(EncodeDate(to.year, to.month, to.day), 1));
  return period;
}

}  // namespace dodu
