-- Store tables of the Portuguese processor on SQL Server.
-- The server compares names without regard to case (the default collation), so Company_VatId
-- and Company_VATId name the same column.

IF OBJECT_ID('CompanyRecord') IS NULL
CREATE TABLE CompanyRecord (
  Company_VatId         varchar(30)  NOT NULL PRIMARY KEY,
  Company_BusinessName  nvarchar(200) NULL,
  Company_AddressDetail nvarchar(200) NULL,
  Company_City          nvarchar(100) NULL,
  Company_PostalCode    nvarchar(20)  NULL
);
GO

IF OBJECT_ID('BranchRecord') IS NULL
CREATE TABLE BranchRecord (
  Branch_Code             varchar(20)   NOT NULL PRIMARY KEY,
  Branch_Name             nvarchar(200) NULL,
  Branch_AddressDetail    nvarchar(200) NULL,
  Branch_City             nvarchar(100) NULL,
  Branch_PostalCode       nvarchar(20)  NULL,
  InvoiceDocumentType     varchar(10)   NULL,
  InvoiceSerieTemplate    varchar(50)   NULL,
  CreditNoteDocumentType  varchar(10)   NULL,
  CreditNoteSerieTemplate varchar(50)   NULL
);
GO

IF OBJECT_ID('Series') IS NULL
CREATE TABLE Series (
  Id                    uniqueidentifier NOT NULL PRIMARY KEY,
  Serie_Code            varchar(50)  NOT NULL,
  Serie_LastNumber      int          NOT NULL DEFAULT 0,
  Serie_LastHash        varchar(512) NULL,
  Serie_LastDate        datetime     NULL,
  Serie_Validation_Code varchar(50)  NULL,
  Serie_Closed          bit          NULL,
  CONSTRAINT Series_Code UNIQUE (Serie_Code)
);
GO

IF OBJECT_ID('Receipts') IS NULL
CREATE TABLE Receipts (
  id                        uniqueidentifier NOT NULL PRIMARY KEY,
  Serie                     varchar(50)   NOT NULL,
  StoreCode                 varchar(20)   NULL,
  TillCode                  varchar(20)   NULL,
  Number                    int           NOT NULL,
  ZReportNumber             int           NULL,
  DeviceSerial              varchar(50)   NULL,
  ReceiptNumber             varchar(80)   NULL,
  ReceiptDatetime           datetime      NULL,
  Totalamount               decimal(19,4) NULL,
  SystemEntryDateTime       datetime      NULL,
  Status                    char(1)       NOT NULL DEFAULT 'N',
  DocumentType              varchar(2)    NULL,
  ReceiptOperator           varchar(50)   NULL,
  PreviousHash              varchar(512)  NULL,
  Hash                      varchar(512)  NULL,
  HashedString              nvarchar(1024) NULL,
  LastReceiptStatusOperator varchar(50)   NULL,
  LastStatusDateTime        datetime      NULL,
  SourceBilling             varchar(1)    NULL,
  ManualDocumentNumber      varchar(80)   NULL,
  FiscalId                  varchar(80)   NULL,
  Receipt                   nvarchar(max) NULL,
  -- A number is issued once per series.
  CONSTRAINT Receipts_SerieNumber UNIQUE (Serie, Number)
);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'Receipts_BySerialNumberDate')
CREATE INDEX Receipts_BySerialNumberDate ON Receipts (DeviceSerial, Number, ReceiptDatetime);
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'Receipts_ByNumberDate')
CREATE INDEX Receipts_ByNumberDate ON Receipts (Number, ReceiptDatetime);
GO
