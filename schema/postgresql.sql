-- Store tables of the Portuguese processor on the PostgreSQL server store.
-- Names are unquoted, so the server keeps them in lower case and every statement finds them
-- whatever case it writes them in. Date-times keep milliseconds, as the processor writes them.
-- Text keys compare with letter case here (SQL Server's default collation does not): codes are
-- written as the driver and `fiscal-host init` make them.

CREATE TABLE IF NOT EXISTS CompanyRecord (
  Company_VatId         varchar(30)  NOT NULL PRIMARY KEY,
  Company_BusinessName  varchar(200),
  Company_AddressDetail varchar(200),
  Company_City          varchar(100),
  Company_PostalCode    varchar(20)
);

CREATE TABLE IF NOT EXISTS BranchRecord (
  Branch_Code             varchar(20)  NOT NULL PRIMARY KEY,
  Branch_Name             varchar(200),
  Branch_AddressDetail    varchar(200),
  Branch_City             varchar(100),
  Branch_PostalCode       varchar(20),
  InvoiceDocumentType     varchar(10),
  InvoiceSerieTemplate    varchar(50),
  CreditNoteDocumentType  varchar(10),
  CreditNoteSerieTemplate varchar(50)
);

-- The row of a series is its lock: a till numbering in it holds the row FOR UPDATE until its
-- document's COMMIT.
CREATE TABLE IF NOT EXISTS Series (
  Id                    uuid         NOT NULL PRIMARY KEY,
  Serie_Code            varchar(50)  NOT NULL,
  Serie_LastNumber      integer      NOT NULL DEFAULT 0,
  Serie_LastHash        varchar(512),
  Serie_LastDate        timestamp(3),
  Serie_Validation_Code varchar(50),
  Serie_Closed          smallint,
  CONSTRAINT Series_Code UNIQUE (Serie_Code)
);

CREATE TABLE IF NOT EXISTS Receipts (
  id                        uuid          NOT NULL PRIMARY KEY,
  Serie                     varchar(50)   NOT NULL,
  StoreCode                 varchar(20),
  TillCode                  varchar(20),
  Number                    integer       NOT NULL,
  ZReportNumber             integer,
  DeviceSerial              varchar(50),
  ReceiptNumber             varchar(80),
  ReceiptDatetime           timestamp(3),
  Totalamount               numeric(19,4),
  SystemEntryDateTime       timestamp(3),
  Status                    char(1)       NOT NULL DEFAULT 'N',
  DocumentType              varchar(2),
  ReceiptOperator           varchar(50),
  PreviousHash              varchar(512),
  Hash                      varchar(512),
  HashedString              varchar(1024),
  LastReceiptStatusOperator varchar(50),
  LastStatusDateTime        timestamp(3),
  SourceBilling             varchar(1),
  ManualDocumentNumber      varchar(80),
  FiscalId                  varchar(80),
  Receipt                   text,
  -- A number is issued once per series.
  CONSTRAINT Receipts_SerieNumber UNIQUE (Serie, Number)
);

CREATE INDEX IF NOT EXISTS Receipts_BySerialNumberDate ON Receipts (DeviceSerial, Number, ReceiptDatetime);
CREATE INDEX IF NOT EXISTS Receipts_ByNumberDate ON Receipts (Number, ReceiptDatetime);
CREATE INDEX IF NOT EXISTS Receipts_ByZReport ON Receipts (ZReportNumber);
