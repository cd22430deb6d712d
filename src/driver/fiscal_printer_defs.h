#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/amount.h"
#include "base/date_time.h"

namespace dodu {

// What ProcessZReport and ProcessXReport leave for the caller.
struct qvFiscalCounters {
  int32_t CurrentReceiptNo = 0;
  int32_t CurrentReportNo = 0;
  DateTime ReportDateTime;
  Amount DailyTotal, DailySales, DailyRefunds, DailyVoids, DailyDiscounts;
  Amount GrandTotalTotal, GrandTotalSales, GrandTotalRefunds, GrandTotalVoids, GrandTotalDiscounts;
  std::string Text;
};

// What ProcessGetStatus leaves for the caller.
struct qvProcessorStatus {
  bool DayOpened = false;
  dodu::DateTime DateTime;
  bool TrainingMode = false;
  std::string FirmwareVersion;
  std::string SerialNumber;
  std::string FiscalMode;
};

struct qvLotteryReceiptStatus {
  bool CorrectlySent = false;
  std::string StatusCode;
  std::string StatusDescription;
  std::string ReferenceId;
};

// The common tail of every Pub_ result record.
struct _int_result {
  bool Error = false;
  std::string ErrorText;
  std::string LogFileName;
};

struct _int_OPENDR_result : _int_result {};
struct _int_CLOSE_result : _int_result {};
struct _int_SETVATTABLE_result : _int_result {};
struct _int_SETDEPTTABLE_result : _int_result {};

struct _int_SETDATETIME_result : _int_result {
  dodu::DateTime DateTime;
};

struct _int_EJREPORT_result : _int_result {
  std::string Text;
};

struct _int_Vat {
  int32_t Index = 0;
  std::string Code;
  std::string Description;
  Amount Rate;
};

struct _int_GETVATTABLE_result : _int_result {
  std::vector<_int_Vat> VATTable;
};

struct _int_Dept {
  int32_t Index = 0;
  std::string Code, Description, VatCode, SalesType, EACode, EADescription, EAVATMode;
};

struct _int_GETDEPTTABLE_result : _int_result {
  std::vector<_int_Dept> DeptTable;
};

struct _int_GETLOTTERYRCPTSTATUS_result : _int_result {
  bool CorrectlySent = false;
  std::string StatusCode, StatusDescription, ReferenceId;
};

struct _int_GETEJFILES_result : _int_result {
  int32_t FilesCount = 0;
};

}  // namespace dodu
