-- Ledger accounts of receipts and payments, by direction, balance type, bank and currency. The
-- direction is stored as the zh-CN text of "receipt" or "payment".
CREATE TABLE KX_PzSet_OP (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  strOperatType nvarchar(10) COLLATE NOCASE NOT NULL,
  strBalanceType nvarchar(10) COLLATE NOCASE NULL,
  strBankID nvarchar(20) COLLATE NOCASE NULL,
  strCurrency nvarchar(20) COLLATE NOCASE NULL,
  strSubject nvarchar(20) COLLATE NOCASE NOT NULL,
  ts timestamp NULL,
  CONSTRAINT PK_KX_PzSet_OP PRIMARY KEY (GUID)
);
-- One account per direction, balance type, bank and currency. Two Nulls count as equal (a Null
-- means "any"): the blob stands in for Null and never equals a text, not even the empty one.
CREATE UNIQUE INDEX IX_KX_PzSet_OP ON KX_PzSet_OP (
  strOperatType,
  ifnull(strBalanceType, X'00') COLLATE NOCASE,
  ifnull(strBankID, X'00') COLLATE NOCASE,
  ifnull(strCurrency, X'00') COLLATE NOCASE
);

CREATE TRIGGER KX_PzSet_OP_ts_insert AFTER INSERT ON KX_PzSet_OP
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PzSet_OP SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_PzSet_OP_ts_update AFTER UPDATE ON KX_PzSet_OP
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PzSet_OP SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
