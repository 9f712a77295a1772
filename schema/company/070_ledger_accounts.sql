-- Ledger accounts of income and expense lines, by operation type, item and currency.
CREATE TABLE KX_PzSet_IO (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  strOperatType nvarchar(10) COLLATE NOCASE NOT NULL,
  strIOItemCode nvarchar(20) COLLATE NOCASE NULL,
  strCurrency nvarchar(20) COLLATE NOCASE NULL,
  strSubject nvarchar(20) COLLATE NOCASE NOT NULL,
  blnModiDire bit NOT NULL DEFAULT 0,
  ts timestamp NULL,
  CONSTRAINT PK_KX_PzSet_IO PRIMARY KEY (GUID)
);
-- One account per operation type, item and currency. Two Nulls count as equal, as in a SQL
-- Server unique index (a Null item or currency means "any"): the blob stands in for Null, and
-- a blob never equals a text, not even the empty one.
CREATE UNIQUE INDEX IX_KX_PzSet_IO ON KX_PzSet_IO (
  strOperatType,
  ifnull(strIOItemCode, X'00') COLLATE NOCASE,
  ifnull(strCurrency, X'00') COLLATE NOCASE
);

CREATE TRIGGER KX_PzSet_IO_ts_insert AFTER INSERT ON KX_PzSet_IO
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PzSet_IO SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_PzSet_IO_ts_update AFTER UPDATE ON KX_PzSet_IO
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PzSet_IO SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_PzSet_IO_KX_OperationType: KX_PzSet_IO.strOperatType refers to KX_OperationType.strCode.
CREATE TRIGGER FK_KX_PzSet_IO_KX_OperationType_insert BEFORE INSERT ON KX_PzSet_IO
WHEN NEW.strOperatType IS NOT NULL
 AND NOT EXISTS (SELECT 1 FROM KX_OperationType WHERE strCode = NEW.strOperatType)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_PzSet_IO_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_OperationType", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_PzSet_IO_KX_OperationType_update BEFORE UPDATE OF strOperatType ON KX_PzSet_IO
WHEN NEW.strOperatType IS NOT NULL
 AND NOT EXISTS (SELECT 1 FROM KX_OperationType WHERE strCode = NEW.strOperatType)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_PzSet_IO_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_OperationType", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_PzSet_IO_KX_OperationType_delete BEFORE DELETE ON KX_OperationType
WHEN EXISTS (SELECT 1 FROM KX_PzSet_IO WHERE strOperatType = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_PzSet_IO_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_PzSet_IO", column ''strOperatType''.');
END;
CREATE TRIGGER FK_KX_PzSet_IO_KX_OperationType_rekey BEFORE UPDATE OF strCode ON KX_OperationType
WHEN NEW.strCode IS NOT OLD.strCode
 AND EXISTS (SELECT 1 FROM KX_PzSet_IO WHERE strOperatType = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_PzSet_IO_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_PzSet_IO", column ''strOperatType''.');
END;
