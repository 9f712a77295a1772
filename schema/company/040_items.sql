-- Income and expense items: a tree under the roots "1" (income) and "2" (expense), which are
-- not stored. An item's code begins with its kind's digit.
CREATE TABLE KX_IOItem (
  strCode nvarchar(20) COLLATE NOCASE NOT NULL,
  strName nvarchar(50) COLLATE NOCASE NOT NULL,
  strTypeCode nvarchar(10) COLLATE NOCASE NULL,
  strUpCode nvarchar(20) COLLATE NOCASE NULL,
  blnEnd bit NOT NULL DEFAULT 1,
  ts timestamp NULL,
  CONSTRAINT PK_KX_IOItem PRIMARY KEY (strCode)
);
-- An item's name is unique in the whole tree: claim lines, standards and account settings
-- show an item by its name alone. A rename to a taken name violates it as an insert does.
CREATE UNIQUE INDEX IX_KX_IOItem ON KX_IOItem (strName);

CREATE TRIGGER KX_IOItem_ts_insert AFTER INSERT ON KX_IOItem
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_IOItem SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_IOItem_ts_update AFTER UPDATE ON KX_IOItem
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_IOItem SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_IOItem_KX_OperationType: KX_IOItem.strTypeCode refers to KX_OperationType.strCode.
CREATE TRIGGER FK_KX_IOItem_KX_OperationType_insert BEFORE INSERT ON KX_IOItem
WHEN NEW.strTypeCode IS NOT NULL
 AND NOT EXISTS (SELECT 1 FROM KX_OperationType WHERE strCode = NEW.strTypeCode)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_IOItem_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_OperationType", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_IOItem_KX_OperationType_update BEFORE UPDATE OF strTypeCode ON KX_IOItem
WHEN NEW.strTypeCode IS NOT NULL
 AND NOT EXISTS (SELECT 1 FROM KX_OperationType WHERE strCode = NEW.strTypeCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_IOItem_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_OperationType", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_IOItem_KX_OperationType_delete BEFORE DELETE ON KX_OperationType
WHEN EXISTS (SELECT 1 FROM KX_IOItem WHERE strTypeCode = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_IOItem_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_IOItem", column ''strTypeCode''.');
END;
CREATE TRIGGER FK_KX_IOItem_KX_OperationType_rekey BEFORE UPDATE OF strCode ON KX_OperationType
WHEN NEW.strCode IS NOT OLD.strCode
 AND EXISTS (SELECT 1 FROM KX_IOItem WHERE strTypeCode = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_IOItem_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_IOItem", column ''strTypeCode''.');
END;
