#include "base/version_history.h"

#include <array>

namespace dodu {

namespace {

// Ids follow one another from kVersionHistoryFirstId; a new release goes at the end.
constexpr std::array kEntries = {
    "$APPDESCRIPTION=KRV Driver - Portuguese Fiscal Processor (SM)",
    "$COPYRIGHT=Copyright (c) 2022-2024 KRV. All rights reserved.",

    "$VERSION=1.00",
    "$RELEASEDATE=22/01/2022",
    "$AUTHOR=RMS",
    "$PTEXT=Initial Release",

    "$VERSION=1.01",
    "$RELEASEDATE=14/04/2022",
    "$AUTHOR=RMS",
    "$PTEXT=QRCode is now printed at Version 9 level as minimum",

    "$VERSION=1.02",
    "$RELEASEDATE=28/06/2022",
    "$AUTHOR=RMS",
    "$PTEXT=QRCode doesn't include zero values",

    "$VERSION=1.03",
    "$RELEASEDATE=10/07/2022",
    "$AUTHOR=RMS",
    "$PTEXT=Changed Discounts Management.",
    "$PTEXT=Added Invoice Reference in case of Credit Notes.",
    "$PTEXT=Changed Receipt Header with Compnay Data.",
    "$PTEXT=Changed Customer Country if unknown.",

    "$VERSION=1.04",
    "$RELEASEDATE=26/07/2022",
    "$AUTHOR=RMS",
    "$PTEXT=Added support for Manual and Duplicate Documents.",

    "$VERSION=1.05",
    "$RELEASEDATE=06/09/2022",
    "$AUTHOR=RMS",
    "$PTEXT=Changed printed reference format for Manual and Duplicate Documents.",

    "$VERSION=1.06",
    "$RELEASEDATE=10/10/2022",
    "$AUTHOR=RMS",
    "$PTEXT=In case the Customer TAX Code is just the country it is now marked as 9999999990.",

    "$VERSION=1.07",
    "$RELEASEDATE=06/03/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Added ATCUD support.",

    "$VERSION=1.08",
    "$RELEASEDATE=02/05/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Added LastDate to Series Counters",

    "$VERSION=1.09",
    "$RELEASEDATE=15/05/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Bugfixing: added check that last receipt line is subtotal before removing it",

    "$VERSION=1.10",
    "$RELEASEDATE=04/06/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Credit Note now takes customer data from original invoice",

    "$VERSION=1.11",
    "$RELEASEDATE=05/06/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Decoded CustomerCountry to CustomerCountryDescription",

    "$VERSION=2.00",
    "$RELEASEDATE=17/06/2023",
    "$AUTHOR=RMS",
    "$PTEXT=First Certified Release - 7731",
    "$PTEXT=Saved Series in Encrypted Check File for validation against database",

    "$VERSION=2.01",
    "$RELEASEDATE=18/06/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Voided Receipt Datetime is now set as current datetime (Invoice DateTime is always the same as the "
    "original receipt)",

    "$VERSION=2.02",
    "$RELEASEDATE=21/06/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Added support for Z-Report Text sent by client application",

    "$VERSION=2.03",
    "$RELEASEDATE=06/07/2023",
    "$AUTHOR=RMS",
    "$PTEXT=Bypassed SQL Server datetime rounding restriction that sometimes caused invalid signature when checking "
    "SAFT",

    "$VERSION=2.04",
    "$RELEASEDATE=26/02/2024",
    "$AUTHOR=RMS",
    "$PTEXT=It is now possible to reprint an invoice or credit note",
};

}  // namespace

std::string VersionHistoryString(int aId) {
  if (aId < kVersionHistoryFirstId || aId - kVersionHistoryFirstId >= static_cast<int>(kEntries.size())) return {};
  return kEntries[static_cast<size_t>(aId - kVersionHistoryFirstId)];
}

}  // namespace dodu
