#include "pt/day_report_text.h"

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
  const std::string fixed = aValue.ToFixed(aDecimals);  // exact, halves away from zero
  const bool negative = fixed[0] == '-';
  const size_t dot = fixed.find('.');
  const size_t integer_end = dot == std::string::npos ? fixed.size() : dot;
  std::string text = negative ? "-" : "";
  text += Grouped(fixed.substr(negative, integer_end - negative), aFormat.thousandSeparator);
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
