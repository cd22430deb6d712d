-- Store tables of the Portuguese processor on the embedded SQLite store.
-- Date-times are kept as text 'yyyy-mm-ddThh:nn:ss[.zzz]' (the form the processor writes), which
-- sorts and compares like the values themselves. Amounts are kept as their exact decimal text.

CREATE TABLE IF NOT EXISTS CompanyRecord (
  Company_VatId         TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,
  Company_BusinessName  TEXT,
  Company_AddressDetail TEXT,
  Company_City          TEXT,
  Company_PostalCode    TEXT
);

CREATE TABLE IF NOT EXISTS BranchRecord (
  Branch_Code             TEXT NOT NULL PRIMARY KEY,
  Branch_Name             TEXT,
  Branch_AddressDetail    TEXT,
  Branch_City             TEXT,
  Branch_PostalCode       TEXT,
  InvoiceDocumentType     TEXT,
  InvoiceSerieTemplate    TEXT,
  CreditNoteDocumentType  TEXT,
  CreditNoteSerieTemplate TEXT
);

CREATE TABLE IF NOT EXISTS Series (
  Id                    TEXT NOT NULL PRIMARY KEY,
  Serie_Code            TEXT NOT NULL UNIQUE,
  Serie_LastNumber      INTEGER NOT NULL DEFAULT 0,
  Serie_LastHash        TEXT,
  Serie_LastDate        TEXT,
  Serie_Validation_Code TEXT,
  Serie_Closed          INTEGER
);

CREATE TABLE IF NOT EXISTS Receipts (
  id                        TEXT NOT NULL PRIMARY KEY,
  Serie                     TEXT NOT NULL,
  StoreCode                 TEXT,
  TillCode                  TEXT,
  Number                    INTEGER NOT NULL,
  ZReportNumber             INTEGER,
  DeviceSerial              TEXT,
  ReceiptNumber             TEXT,
  ReceiptDatetime           TEXT,
  Totalamount               TEXT,
  SystemEntryDateTime       TEXT,
  Status                    TEXT NOT NULL DEFAULT 'N',
  DocumentType              TEXT,
  ReceiptOperator           TEXT,
  PreviousHash              TEXT,
  Hash                      TEXT,
  HashedString              TEXT,
  LastReceiptStatusOperator TEXT,
  LastStatusDateTime        TEXT,
  SourceBilling             TEXT,
  ManualDocumentNumber      TEXT,
  FiscalId                  TEXT,
  Receipt                   TEXT,
  -- A number is issued once per series.
  UNIQUE (Serie, Number)
);

CREATE INDEX IF NOT EXISTS Receipts_BySerialNumberDate ON Receipts (DeviceSerial, Number, ReceiptDatetime);
CREATE INDEX IF NOT EXISTS Receipts_ByNumberDate ON Receipts (Number, ReceiptDatetime);
