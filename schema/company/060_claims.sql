-- Income and expense claims: a head in KX_ExpenVouch, its lines in KX_ExpenVouch_Sub. Keys
-- and identities as for loan vouchers.
CREATE TABLE KX_ExpenVouch (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL,
  AutoID INTEGER PRIMARY KEY AUTOINCREMENT,
  strTypeCode nvarchar(10) COLLATE NOCASE NULL,
  strVouchID nvarchar(30) COLLATE NOCASE NULL,
  dtLoanDate datetime NULL,
  strDepartID nvarchar(12) COLLATE NOCASE NULL,
  strLoanID nvarchar(20) COLLATE NOCASE NULL,
  strItemClassID nvarchar(2) COLLATE NOCASE NULL,
  strItemID nvarchar(20) COLLATE NOCASE NULL,
  strBudItemID nvarchar(20) COLLATE NOCASE NULL,
  strPort1 nvarchar(30) COLLATE NOCASE NULL,
  strPort1Value nvarchar(60) COLLATE NOCASE NULL,
  strPort2 nvarchar(30) COLLATE NOCASE NULL,
  strPort2Value nvarchar(60) COLLATE NOCASE NULL,
  strPort3 nvarchar(30) COLLATE NOCASE NULL,
  strPort3Value nvarchar(60) COLLATE NOCASE NULL,
  strBill nvarchar(20) COLLATE NOCASE NULL,
  fltRate float NULL,
  dblMoney money NULL,
  dblOldMoney money NULL,
  strUsed nvarchar(200) COLLATE NOCASE NULL,
  strPersonID nvarchar(40) COLLATE NOCASE NULL,
  blnAudi bit NOT NULL DEFAULT 0,
  intBudPass int NOT NULL DEFAULT 0,
  intOverBud int NOT NULL DEFAULT -1,
  strOverPerson nvarchar(40) COLLATE NOCASE NULL,
  strOverDate nvarchar(30) COLLATE NOCASE NULL,
  strOverDesc nvarchar(200) COLLATE NOCASE NULL,
  strAuditorID nvarchar(40) COLLATE NOCASE NULL,
  strVerifier nvarchar(40) COLLATE NOCASE NULL,
  blnSettle bit NOT NULL DEFAULT 0,
  strMakerID nvarchar(40) COLLATE NOCASE NULL,
  PZGUID nvarchar(40) COLLATE NOCASE NULL,
  cDefine1 nvarchar(120) COLLATE NOCASE NULL,
  cDefine2 nvarchar(120) COLLATE NOCASE NULL,
  cDefine3 nvarchar(120) COLLATE NOCASE NULL,
  cDefine4 nvarchar(120) COLLATE NOCASE NULL,
  cDefine5 float NULL,
  cDefine6 nvarchar(120) COLLATE NOCASE NULL,
  cDefine7 float NULL,
  cDefine8 nvarchar(120) COLLATE NOCASE NULL,
  cDefine9 nvarchar(120) COLLATE NOCASE NULL,
  cDefine10 nvarchar(120) COLLATE NOCASE NULL,
  cDefine11 nvarchar(120) COLLATE NOCASE NULL,
  cDefine12 nvarchar(120) COLLATE NOCASE NULL,
  cDefine13 nvarchar(120) COLLATE NOCASE NULL,
  cDefine14 nvarchar(120) COLLATE NOCASE NULL,
  cDefine15 float NULL,
  cDefine16 float NULL,
  ts timestamp NULL
);
CREATE UNIQUE INDEX PK_KX_ExpenVouch ON KX_ExpenVouch (GUID);
-- Claim numbers are unique within a kind (the first digit of the type code): income and expense
-- claims are numbered by separate cards and may share a number.
CREATE UNIQUE INDEX IX_KX_ExpenVouch ON KX_ExpenVouch (substr(strTypeCode, 1, 1) COLLATE NOCASE, strVouchID);

CREATE TRIGGER KX_ExpenVouch_ts_insert AFTER INSERT ON KX_ExpenVouch
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_ExpenVouch SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_ExpenVouch_ts_update AFTER UPDATE ON KX_ExpenVouch
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_ExpenVouch SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_ExpenVouch_KX_OperationType: KX_ExpenVouch.strTypeCode refers to KX_OperationType.strCode.
CREATE TRIGGER FK_KX_ExpenVouch_KX_OperationType_insert BEFORE INSERT ON KX_ExpenVouch
WHEN NEW.strTypeCode IS NOT NULL
 AND NOT EXISTS (SELECT 1 FROM KX_OperationType WHERE strCode = NEW.strTypeCode)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_ExpenVouch_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_OperationType", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_ExpenVouch_KX_OperationType_update BEFORE UPDATE OF strTypeCode ON KX_ExpenVouch
WHEN NEW.strTypeCode IS NOT NULL
 AND NOT EXISTS (SELECT 1 FROM KX_OperationType WHERE strCode = NEW.strTypeCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_ExpenVouch_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_OperationType", column ''strCode''.');
END;
CREATE TRIGGER FK_KX_ExpenVouch_KX_OperationType_delete BEFORE DELETE ON KX_OperationType
WHEN EXISTS (SELECT 1 FROM KX_ExpenVouch WHERE strTypeCode = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_ExpenVouch_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_ExpenVouch", column ''strTypeCode''.');
END;
CREATE TRIGGER FK_KX_ExpenVouch_KX_OperationType_rekey BEFORE UPDATE OF strCode ON KX_OperationType
WHEN NEW.strCode IS NOT OLD.strCode
 AND EXISTS (SELECT 1 FROM KX_ExpenVouch WHERE strTypeCode = OLD.strCode)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_ExpenVouch_KX_OperationType". The conflict occurred in database "corvane", table "dbo.KX_ExpenVouch", column ''strTypeCode''.');
END;

CREATE TABLE KX_ExpenVouch_Sub (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  AutoID INTEGER PRIMARY KEY AUTOINCREMENT,
  MGuid nvarchar(38) COLLATE NOCASE NOT NULL,
  dtBDate datetime NULL,
  intBTime int NULL,
  dtEDate datetime NULL,
  intETime int NULL,
  strBZero nvarchar(20) COLLATE NOCASE NULL,
  strEZero nvarchar(20) COLLATE NOCASE NULL,
  strJTTools nvarchar(20) COLLATE NOCASE NULL,
  strIOItem nvarchar(20) COLLATE NOCASE NULL,
  dblVouch money NULL,
  dblNumber decimal(18,4) NULL,
  dblStand money NULL,
  dblPer decimal(18,4) NULL,
  dblMoney money NULL,
  dblOldMoney money NULL,
  intAppend int NULL,
  strMemo nvarchar(200) COLLATE NOCASE NULL,
  cDefine22 nvarchar(120) COLLATE NOCASE NULL,
  cDefine23 nvarchar(120) COLLATE NOCASE NULL,
  cDefine24 nvarchar(120) COLLATE NOCASE NULL,
  cDefine25 nvarchar(120) COLLATE NOCASE NULL,
  cDefine26 float NULL,
  cDefine27 float NULL,
  cDefine28 nvarchar(120) COLLATE NOCASE NULL,
  cDefine29 nvarchar(120) COLLATE NOCASE NULL,
  cDefine30 nvarchar(120) COLLATE NOCASE NULL,
  cDefine31 nvarchar(120) COLLATE NOCASE NULL,
  cDefine32 nvarchar(120) COLLATE NOCASE NULL,
  cDefine33 nvarchar(120) COLLATE NOCASE NULL,
  cDefine34 float NULL,
  cDefine35 float NULL,
  cDefine36 nvarchar(120) COLLATE NOCASE NULL,
  cDefine37 nvarchar(120) COLLATE NOCASE NULL,
  ts timestamp NULL
);
CREATE UNIQUE INDEX PK_KX_ExpenVouch_Sub ON KX_ExpenVouch_Sub (GUID);
CREATE INDEX KX_ExpenVouch_Sub_MGuid ON KX_ExpenVouch_Sub (MGuid);
CREATE INDEX KX_ExpenVouch_Sub_strIOItem ON KX_ExpenVouch_Sub (strIOItem);

CREATE TRIGGER KX_ExpenVouch_Sub_ts_insert AFTER INSERT ON KX_ExpenVouch_Sub
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_ExpenVouch_Sub SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_ExpenVouch_Sub_ts_update AFTER UPDATE ON KX_ExpenVouch_Sub
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_ExpenVouch_Sub SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
