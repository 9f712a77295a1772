-- Amount rows of an expense standard: one value code per chosen effect item (strField1 person
-- grade, strField2 place grade, strField3 transport tool, strField4 amount band; Null when the
-- row does not use the item), with the amount allowed and a rate.
CREATE TABLE KX_StandSet (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  GUIDStand nvarchar(38) COLLATE NOCASE NOT NULL,
  strField1 nvarchar(10) COLLATE NOCASE NULL,
  strField2 nvarchar(10) COLLATE NOCASE NULL,
  strField3 nvarchar(10) COLLATE NOCASE NULL,
  strField4 nvarchar(10) COLLATE NOCASE NULL,
  dblMoney money NOT NULL DEFAULT 0,
  dblRate float NOT NULL DEFAULT 100,
  ts timestamp NULL,
  CONSTRAINT PK_KX_StandSet PRIMARY KEY (GUID)
);
-- One amount per combination of values of a standard; the claim check looks rows up this way.
CREATE UNIQUE INDEX IX_KX_StandSet ON KX_StandSet (GUIDStand, strField1, strField2, strField3, strField4);
-- The index lets rows differ by a Null alone; these triggers refuse those duplicates too, as a
-- unique index that counts Null as one value does.
CREATE TRIGGER IX_KX_StandSet_insert BEFORE INSERT ON KX_StandSet
WHEN EXISTS (SELECT 1 FROM KX_StandSet WHERE GUIDStand = NEW.GUIDStand
  AND strField1 IS NEW.strField1 AND strField2 IS NEW.strField2
  AND strField3 IS NEW.strField3 AND strField4 IS NEW.strField4)
BEGIN
  SELECT RAISE(ABORT, 'Cannot insert duplicate key row in object ''dbo.KX_StandSet'' with unique index ''IX_KX_StandSet''.');
END;
CREATE TRIGGER IX_KX_StandSet_update BEFORE UPDATE OF GUIDStand, strField1, strField2, strField3, strField4 ON KX_StandSet
WHEN EXISTS (SELECT 1 FROM KX_StandSet WHERE GUIDStand = NEW.GUIDStand
  AND strField1 IS NEW.strField1 AND strField2 IS NEW.strField2
  AND strField3 IS NEW.strField3 AND strField4 IS NEW.strField4 AND rowid <> NEW.rowid)
BEGIN
  SELECT RAISE(ABORT, 'Cannot insert duplicate key row in object ''dbo.KX_StandSet'' with unique index ''IX_KX_StandSet''.');
END;

CREATE TRIGGER KX_StandSet_ts_insert AFTER INSERT ON KX_StandSet
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_StandSet SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_StandSet_ts_update AFTER UPDATE ON KX_StandSet
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_StandSet SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_StandSet_KX_Expense: the rows belong to an existing standard and go with it.
CREATE TRIGGER FK_KX_StandSet_KX_Expense_insert BEFORE INSERT ON KX_StandSet
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GUIDStand)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_StandSet_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_StandSet_KX_Expense_update BEFORE UPDATE OF GUIDStand ON KX_StandSet
WHEN NOT EXISTS (SELECT 1 FROM KX_Expense WHERE GUID = NEW.GUIDStand)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_StandSet_KX_Expense". The conflict occurred in database "corvane", table "dbo.KX_Expense", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_StandSet_KX_Expense_cascade AFTER DELETE ON KX_Expense
BEGIN
  DELETE FROM KX_StandSet WHERE GUIDStand = OLD.GUID;
END;

-- One row per amount row, the value codes with their names from the items' value lists.
CREATE VIEW vwKXStandSet AS
SELECT KX_StandSet.GUIDStand AS GUIDStand,
       KX_StandSet.GUID AS GUID,
       KX_StandSet.strField1 AS strPerID,
       PerValue.strEIName AS strPerName,
       KX_StandSet.strField2 AS strZeroID,
       ZeroValue.strEIName AS strZeroName,
       KX_StandSet.strField3 AS strToolID,
       ToolValue.strEIName AS strToolName,
       KX_StandSet.strField4 AS strMonID,
       MonValue.strEIName AS strMonName,
       KX_StandSet.dblMoney AS dblMoney,
       KX_StandSet.dblRate AS dblRate,
       KX_StandSet.ts AS ts
FROM KX_StandSet
LEFT JOIN KX_EISet_NUStand AS PerValue
  ON PerValue.intEICode = 1 AND PerValue.strEICode = KX_StandSet.strField1
LEFT JOIN KX_EISet_NUStand AS ZeroValue
  ON ZeroValue.intEICode = 2 AND ZeroValue.strEICode = KX_StandSet.strField2
LEFT JOIN KX_EISet_NUStand AS ToolValue
  ON ToolValue.intEICode = 3 AND ToolValue.strEICode = KX_StandSet.strField3
LEFT JOIN KX_EISet_Stand AS MonValue
  ON MonValue.intEICode = 4 AND MonValue.strEICode = KX_StandSet.strField4
 AND MonValue.GUIDStand = KX_StandSet.GUIDStand;
