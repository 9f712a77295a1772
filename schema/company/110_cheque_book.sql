-- The host's cheque book: one row per cheque number, for the ledger account cCode it was drawn
-- on. A payment that first names a cheque starts its row (bWritten 0); the registration is
-- written when it stands (bWritten 1, with the module and user that wrote it).
CREATE TABLE ChequeBook (
  cn_id nvarchar(30) COLLATE NOCASE NOT NULL,
  cCode nvarchar(20) COLLATE NOCASE NOT NULL,
  csettle nvarchar(10) COLLATE NOCASE NOT NULL,
  mc money NULL,
  bill_date datetime NULL,
  cremark nvarchar(200) COLLATE NOCASE NULL,
  cdept nvarchar(50) COLLATE NOCASE NULL,
  cperson nvarchar(40) COLLATE NOCASE NULL,
  cget nvarchar(60) COLLATE NOCASE NULL,
  bWritten bit NOT NULL DEFAULT 0,
  cSysID nvarchar(2) COLLATE NOCASE NULL,
  cWriter nvarchar(40) COLLATE NOCASE NULL,
  CONSTRAINT PK_ChequeBook PRIMARY KEY (cn_id)
);

-- The cheque book is closed through dClosedThrough: no cheque dated on or before it can be
-- registered. Null: nothing is closed. Always one row.
CREATE TABLE ChequeBookClosing (
  dClosedThrough datetime NULL
);
INSERT INTO ChequeBookClosing (dClosedThrough) VALUES (NULL);
