-- Effect items: the dimensions along which the amount of an expense standard varies, numbered by
-- intEDCode (1 person grade, 2 place grade, 3 transport tool, 4 amount band). Each definition
-- row names the value table that holds the item's values, its code and name columns, the
-- condition selecting the item's rows, and whether the values are kept per standard.
CREATE TABLE KX_EffectItem_Default_Base (
  intEDCode int NOT NULL,
  strTable nvarchar(50) COLLATE NOCASE NOT NULL,
  strCodeField nvarchar(50) COLLATE NOCASE NOT NULL,
  strNameField nvarchar(50) COLLATE NOCASE NOT NULL,
  strWhere nvarchar(200) COLLATE NOCASE NOT NULL DEFAULT '',
  blnStand bit NULL,
  CONSTRAINT PK_KX_EffectItem_Default_Base PRIMARY KEY (intEDCode)
);
INSERT INTO KX_EffectItem_Default_Base (intEDCode, strTable, strCodeField, strNameField, strWhere, blnStand) VALUES
  (1, 'KX_EISet_NUStand', 'strEICode', 'strEIName', 'intEICode = 1', 0),
  (2, 'KX_EISet_NUStand', 'strEICode', 'strEIName', 'intEICode = 2', 0),
  (3, 'KX_EISet_NUStand', 'strEICode', 'strEIName', 'intEICode = 3', 0),
  (4, 'KX_EISet_Stand', 'strEICode', 'strEIName', 'intEICode = 4', 1);

-- The name of each effect item per locale.
CREATE TABLE KX_EffectItem_Default_Lang (
  intEDCode int NOT NULL,
  LocaleID nvarchar(10) COLLATE NOCASE NOT NULL,
  strEDName nvarchar(50) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_KX_EffectItem_Default_Lang PRIMARY KEY (intEDCode, LocaleID)
);
INSERT INTO KX_EffectItem_Default_Lang (intEDCode, LocaleID, strEDName) VALUES
  (1, 'zh-CN', '人员级别'),
  (2, 'zh-CN', '地区级别'),
  (3, 'zh-CN', '交通工具'),
  (4, 'zh-CN', '金额区间'),
  (1, 'en-us', 'Person grade'),
  (2, 'en-us', 'Place grade'),
  (3, 'en-us', 'Transport tool'),
  (4, 'en-us', 'Amount band');

-- The effect items chosen for a standard, one row per standard and item.
CREATE TABLE KX_EffectItem (
  GUIDStand nvarchar(38) COLLATE NOCASE NOT NULL,
  intEDCode int NOT NULL,
  ts timestamp NULL,
  CONSTRAINT PK_KX_EffectItem PRIMARY KEY (GUIDStand, intEDCode)
);

CREATE TRIGGER KX_EffectItem_ts_insert AFTER INSERT ON KX_EffectItem
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_EffectItem SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_EffectItem_ts_update AFTER UPDATE ON KX_EffectItem
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_EffectItem SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_EffectItem_KX_EffectItem_Default_Base: only a defined item can be chosen (an empty or
-- non-numeric item number is refused here).
CREATE TRIGGER FK_KX_EffectItem_KX_EffectItem_Default_Base_insert BEFORE INSERT ON KX_EffectItem
WHEN NOT EXISTS (SELECT 1 FROM KX_EffectItem_Default_Base WHERE intEDCode = NEW.intEDCode)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_EffectItem_KX_EffectItem_Default_Base". The conflict occurred in database "corvane", table "dbo.KX_EffectItem_Default_Base", column ''intEDCode''.');
END;
CREATE TRIGGER FK_KX_EffectItem_KX_EffectItem_Default_Base_update BEFORE UPDATE OF intEDCode ON KX_EffectItem
WHEN NOT EXISTS (SELECT 1 FROM KX_EffectItem_Default_Base WHERE intEDCode = NEW.intEDCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_EffectItem_KX_EffectItem_Default_Base". The conflict occurred in database "corvane", table "dbo.KX_EffectItem_Default_Base", column ''intEDCode''.');
END;

-- FK_KX_EffectItem_KX_Expense: the items belong to an existing standard and go with it.
CREATE TRIGGER FK_KX_EffectItem_KX_Expense_insert BEFORE INSERT ON KX_EffectItem
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GUIDStand)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_EffectItem_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_EffectItem_KX_Expense_update BEFORE UPDATE OF GUIDStand ON KX_EffectItem
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GUIDStand)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_EffectItem_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_EffectItem_KX_Expense_cascade AFTER DELETE ON KX_Expense
BEGIN
  DELETE FROM KX_EffectItem WHERE GUIDStand = OLD.GUID;
END;

-- The chosen items of every standard with their names, one row per chosen item and locale.
CREATE VIEW vwKXEffectItem AS
SELECT KX_EffectItem.GUIDStand AS GUIDStand,
       KX_EffectItem_Default_Lang.LocaleID AS LocaleID,
       KX_EffectItem.intEDCode AS intEDCode,
       KX_EffectItem_Default_Lang.strEDName AS strEDName,
       KX_EffectItem.ts AS ts
FROM KX_EffectItem
INNER JOIN KX_EffectItem_Default_Lang ON KX_EffectItem_Default_Lang.intEDCode = KX_EffectItem.intEDCode;

-- Values of the items shared by all standards (person grades, place grades, transport tools).
CREATE TABLE KX_EISet_NUStand (
  intEICode int NOT NULL,
  strEICode nvarchar(10) COLLATE NOCASE NOT NULL,
  strEIName nvarchar(50) COLLATE NOCASE NOT NULL,
  ts timestamp NULL
);
CREATE UNIQUE INDEX IX_KX_EISet_NUStand ON KX_EISet_NUStand (intEICode, strEICode);

CREATE TRIGGER KX_EISet_NUStand_ts_insert AFTER INSERT ON KX_EISet_NUStand
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_EISet_NUStand SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_EISet_NUStand_ts_update AFTER UPDATE ON KX_EISet_NUStand
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_EISet_NUStand SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- Values kept per standard (amount bands, whose names are amounts). A code names one value of
-- its item across all standards, so an amount row's code never matches a band of another
-- standard.
CREATE TABLE KX_EISet_Stand (
  GUIDStand nvarchar(38) COLLATE NOCASE NOT NULL,
  intEICode int NOT NULL,
  strEICode nvarchar(10) COLLATE NOCASE NOT NULL,
  strEIName nvarchar(50) COLLATE NOCASE NOT NULL,
  ts timestamp NULL
);
CREATE UNIQUE INDEX IX_KX_EISet_Stand ON KX_EISet_Stand (intEICode, strEICode);
CREATE INDEX KX_EISet_Stand_GUIDStand ON KX_EISet_Stand (GUIDStand);

CREATE TRIGGER KX_EISet_Stand_ts_insert AFTER INSERT ON KX_EISet_Stand
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_EISet_Stand SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_EISet_Stand_ts_update AFTER UPDATE ON KX_EISet_Stand
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_EISet_Stand SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_EISet_Stand_KX_Expense: KX_EISet_Stand.GUIDStand refers to KX_Expense.GUID.
CREATE TRIGGER FK_KX_EISet_Stand_KX_Expense_insert BEFORE INSERT ON KX_EISet_Stand
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GUIDStand)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_EISet_Stand_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_EISet_Stand_KX_Expense_update BEFORE UPDATE OF GUIDStand ON KX_EISet_Stand
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GUIDStand)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_EISet_Stand_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_EISet_Stand_KX_Expense_delete BEFORE DELETE ON KX_Expense
WHEN EXISTS (SELECT 1 FROM KX_EISet_Stand WHERE GUIDStand = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_EISet_Stand_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_EISet_Stand", column ''GUIDStand''.');
END;
CREATE TRIGGER FK_KX_EISet_Stand_KX_Expense_rekey BEFORE UPDATE OF GUID ON KX_Expense
WHEN NEW.GUID IS NOT OLD.GUID
 AND EXISTS (SELECT 1 FROM KX_EISet_Stand WHERE GUIDStand = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_EISet_Stand_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_EISet_Stand", column ''GUIDStand''.');
END;
