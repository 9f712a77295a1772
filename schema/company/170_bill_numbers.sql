-- Voucher numbering of the host's bill-number component. BillNumberFormat holds the numbering
-- format document of each voucher card (root 单据编号, one 前缀 per part of the number);
-- BillNumberSeed the last serial handed out per card and number prefix, so that the serial
-- starts again for every new prefix (a new month, say) and never repeats within one.
CREATE TABLE BillNumberFormat (
  CardNumber nvarchar(10) COLLATE NOCASE NOT NULL,
  FormatXml ntext NOT NULL,
  CONSTRAINT PK_BillNumberFormat PRIMARY KEY (CardNumber)
);

CREATE TABLE BillNumberSeed (
  CardNumber nvarchar(10) COLLATE NOCASE NOT NULL,
  SeedPrefix nvarchar(100) NOT NULL,
  LastSerial int NOT NULL,
  CONSTRAINT PK_BillNumberSeed PRIMARY KEY (CardNumber, SeedPrefix)
);
