-- Expense standards: a named rule limiting what may be claimed for one income or expense item,
-- with its control type stored as the fixed text '提示' (prompt) or '严格控制' (strict control).
CREATE TABLE KX_Expense (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  strStandName nvarchar(50) COLLATE NOCASE NOT NULL,
  strIOItemCode nvarchar(20) COLLATE NOCASE NOT NULL,
  strControlType nvarchar(20) COLLATE NOCASE NOT NULL,
  ts timestamp NULL,
  CONSTRAINT PK_KX_Expense PRIMARY KEY (GUID)
);
CREATE UNIQUE INDEX IX_KX_Expense ON KX_Expense (strStandName);

CREATE TRIGGER KX_Expense_ts_insert AFTER INSERT ON KX_Expense
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_Expense SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_Expense_ts_update AFTER UPDATE ON KX_Expense
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_Expense SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_Expense_KX_IOItem: KX_Expense.strIOItemCode refers to KX_IOItem.strCode.
CREATE TRIGGER FK_KX_Expense_KX_IOItem_insert BEFORE INSERT ON KX_Expense
WHEN NOT EXISTS (SELECT 1 FROM KX_IOItem WHERE strCode = NEW.strIOItemCode)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_Expense_KX_IOItem". The conflict occurred in database "corvane", table "dbo.KX_IOItem", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_Expense_KX_IOItem_update BEFORE UPDATE OF strIOItemCode ON KX_Expense
WHEN NOT EXISTS (SELECT 1 FROM KX_IOItem WHERE strCode = NEW.strIOItemCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_Expense_KX_IOItem". The conflict occurred in database "corvane", table "dbo.KX_IOItem", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_Expense_KX_IOItem_delete BEFORE DELETE ON KX_IOItem
WHEN EXISTS (SELECT 1 FROM KX_Expense WHERE strIOItemCode = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_Expense_KX_IOItem". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''strIOItemCode''.');
END;
CREATE TRIGGER FK_KX_Expense_KX_IOItem_rekey BEFORE UPDATE OF strCode ON KX_IOItem
WHEN NEW.strCode IS NOT OLD.strCode
 AND EXISTS (SELECT 1 FROM KX_Expense WHERE strIOItemCode = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_Expense_KX_IOItem". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''strIOItemCode''.');
END;

-- The departments whose claims a standard governs; a standard's rows are always replaced whole.
CREATE TABLE KX_ExpenseDepart (
  GuidMain nvarchar(38) COLLATE NOCASE NOT NULL,
  strDepartID nvarchar(12) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_KX_ExpenseDepart PRIMARY KEY (GuidMain, strDepartID)
);
CREATE INDEX KX_ExpenseDepart_strDepartID ON KX_ExpenseDepart (strDepartID);

-- FK_KX_ExpenseDepart_KX_Expense: KX_ExpenseDepart.GuidMain refers to KX_Expense.GUID.
CREATE TRIGGER FK_KX_ExpenseDepart_KX_Expense_insert BEFORE INSERT ON KX_ExpenseDepart
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GuidMain)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_ExpenseDepart_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_ExpenseDepart_KX_Expense_update BEFORE UPDATE OF GuidMain ON KX_ExpenseDepart
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GuidMain)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_ExpenseDepart_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_ExpenseDepart_KX_Expense_delete BEFORE DELETE ON KX_Expense
WHEN EXISTS (SELECT 1 FROM KX_ExpenseDepart WHERE GuidMain = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_ExpenseDepart_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_ExpenseDepart", column ''GuidMain''.');
END;
CREATE TRIGGER FK_KX_ExpenseDepart_KX_Expense_rekey BEFORE UPDATE OF GUID ON KX_Expense
WHEN NEW.GUID IS NOT OLD.GUID
 AND EXISTS (SELECT 1 FROM KX_ExpenseDepart WHERE GuidMain = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_ExpenseDepart_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_ExpenseDepart", column ''GuidMain''.');
END;

-- One row per department of a standard, with the department's name.
CREATE VIEW vwKXExpenDepart AS
SELECT Department.cDepCode AS cDepCode,
       Department.cDepName AS cDepName,
       KX_ExpenseDepart.GuidMain AS GUID
FROM KX_ExpenseDepart
INNER JOIN Department ON Department.cDepCode = KX_ExpenseDepart.strDepartID;
