#include "pt/day_report_text.h"

#include <cstdlib>
#include <vector>

#include "base/conversions.h"
#include "pt/fiscal_processor_counters.h"

namespace dodu {

namespace {

const std::string kDashes(44, '-');

size_t DisplayWidth(const std::string& text) {
  size_t width = 0;
  for (unsigned char c : text) width += (c & 0xC0) != 0x80;  // code points, not bytes
  return width;
}

std::string LabelColumn(const std::string& label) {
  size_t width = DisplayWidth(label);
  return width >= 34 ? label : label + std::string(34 - width, ' ');
}

std::string ValueColumn(const std::string& value) {
  size_t width = DisplayWidth(value);
  return width >= 10 ? value : std::string(10 - width, ' ') + value;
}

// Magnitude digits of a non-negative raw count.
int DigitCount(unsigned __int128 value) {
  int digits = 1;
  while (value >= 10) value /= 10, ++digits;
  return digits;
}

std::string Grouped(const std::string& digits, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string AmountLine(const std::string& label, Amount value, const FormatSettings& format) {
  return LabelColumn(label) + ValueColumn(ReportNumberText(value, 2, format));
}

std::string DateTimeText(DateTime now, const FormatSettings& format) {
  return FormatDateTime("dd/mm/yyyy hh:nn", now, format);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i > 0 ? "\r\n" : "") + lines[i];
  return text;
}

}  // namespace

std::string ReportNumberText(Amount aValue, int aDecimals, const FormatSettings& aFormat) {
  const bool negative = aValue.Raw() < 0;
  unsigned __int128 raw = negative ? -static_cast<__int128>(aValue.Raw()) : aValue.Raw();
  // Six significant digits of the ten-thousandths count, halves away from zero.
  const int digits = DigitCount(raw);
  if (digits > 6) {
    unsigned __int128 unit = 1;
    for (int i = 0; i < digits - 6; ++i) unit *= 10;
    raw = (raw + unit / 2) / unit * unit;
  }
  const int integer_digits = DigitCount(raw) - 4;
  const std::string sign = negative && raw != 0 ? "-" : "";
  if (integer_digits > 6) {
    // d.ddddd E+exponent, trailing zeros of the mantissa dropped.
    std::string mantissa;
    for (unsigned __int128 v = raw; v > 0; v /= 10) mantissa.insert(mantissa.begin(), char('0' + int(v % 10)));
    const int exponent = static_cast<int>(mantissa.size()) - 5;
    mantissa.resize(6);
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    std::string text = sign + mantissa.substr(0, 1);
    if (mantissa.size() > 1) text += aFormat.decimalSeparator + mantissa.substr(1);
    return text + "E+" + std::to_string(exponent);
  }
  const Amount rounded = RoundAmountHalfAwayFromZero(Amount::FromRaw(static_cast<int64_t>(raw)), aDecimals);
  const std::string fixed = rounded.ToFixed(aDecimals);
  const size_t dot = fixed.find('.');
  std::string text = sign + Grouped(fixed.substr(0, dot), aFormat.thousandSeparator);
  if (dot != std::string::npos) text += aFormat.decimalSeparator + fixed.substr(dot + 1);
  return text;
}

namespace {

// The till and time, then the day's totals and count: the part both reports share, after the
// title. Z joins "Data Registo" to the date-time, X puts a blank between them.
void AppendTillAndDay(std::vector<std::string>& lines, const kFiscalProcessorCounters& c, DateTime aNow,
                      const FormatSettings& f, const std::string& date_label,
                      const std::vector<std::string>& grand_totals) {
  lines.insert(lines.end(), {"Caixa " + c.TillSerial(), date_label + DateTimeText(aNow, f), "", kDashes, ""});
  lines.insert(lines.end(), grand_totals.begin(), grand_totals.end());
  lines.insert(lines.end(), {
                                AmountLine("Total do Dia", c.DailyTotal(), f),
                                "",
                                AmountLine("Total do Dia Vendas", c.DailySales(), f),
                                AmountLine("Total do Dia Devolu\u00e7\u00f5es", c.DailyRefunds(), f),
                                AmountLine("Total do Dia Cancela\u00e7\u00f5es", c.DailyVoids(), f),
                                "",
                                kDashes,
                                "",
                                LabelColumn("Documentos Emitidos") +
                                    ValueColumn(ReportNumberText(Amount::FromInteger(c.CurrentReceiptNo()), 0, f)),
                            });
}

}  // namespace

std::string BuildZReportText(const kFiscalProcessorCounters& c, DateTime aNow, const FormatSettings& f) {
  std::vector<std::string> lines = {"Z-REPORT # " + ZeroPadded(c.CurrentZReportNo(), 4), "", kDashes, ""};
  AppendTillAndDay(lines, c, aNow, f, "Data Registo",
                   {
                       AmountLine("Total Geral", c.GrandTotalTotal(), f),
                       "",
                       AmountLine("Total Geral Vendas", c.GrandTotalSales(), f),
                       AmountLine("Total Geral Devolu\u00e7\u00f5es", c.GrandTotalRefunds(), f),
                       AmountLine("Total Geral Cancela\u00e7\u00f5es", c.GrandTotalVoids(), f),
                       "",
                       kDashes,
                       "",
                   });
  return Joined(lines);
}

std::string BuildXReportText(const kFiscalProcessorCounters& c, DateTime aNow, const FormatSettings& f) {
  std::vector<std::string> lines = {"X-REPORT", kDashes, ""};
  AppendTillAndDay(lines, c, aNow, f, "Data Registo ", {});
  return Joined(lines);
}

}  // namespace dodu
