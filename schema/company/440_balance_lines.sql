-- Receipt and payment lines of a claim: how much was received from or paid to the claimant, by
-- which settle style and bank. A claim cannot be deleted while it holds lines here (claim
-- deletion searches the constraint's text for its name).
CREATE TABLE KX_BalanceInfo (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  AutoID INTEGER PRIMARY KEY AUTOINCREMENT,
  ExpenGUID nvarchar(38) COLLATE NOCASE NOT NULL,
  intIOType int NOT NULL,
  strBalanceID nvarchar(10) COLLATE NOCASE NULL,
  dblMoney money NULL,
  strBillID nvarchar(40) COLLATE NOCASE NULL,
  strPayBankID nvarchar(20) COLLATE NOCASE NULL,
  strPayment nvarchar(200) COLLATE NOCASE NULL,
  strRecBank nvarchar(60) COLLATE NOCASE NULL,
  strRecAcc nvarchar(40) COLLATE NOCASE NULL,
  strPayID nvarchar(40) COLLATE NOCASE NULL,
  blnNetOK bit NOT NULL DEFAULT 0,
  ts timestamp NULL
);
CREATE UNIQUE INDEX PK_KX_BalanceInfo ON KX_BalanceInfo (GUID);
CREATE INDEX KX_BalanceInfo_ExpenGUID ON KX_BalanceInfo (ExpenGUID);

CREATE TRIGGER KX_BalanceInfo_ts_insert AFTER INSERT ON KX_BalanceInfo
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_BalanceInfo SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_BalanceInfo_ts_update AFTER UPDATE ON KX_BalanceInfo
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_BalanceInfo SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_BalanceInfo_KX_ExpenVouch: KX_BalanceInfo.ExpenGUID refers to KX_ExpenVouch.GUID.
CREATE TRIGGER FK_KX_BalanceInfo_KX_ExpenVouch_insert BEFORE INSERT ON KX_BalanceInfo
WHEN NOT EXISTS (SELECT 1 FROM KX_ExpenVouch WHERE GUID = NEW.ExpenGUID)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_BalanceInfo_KX_ExpenVouch". The conflict occurred in database "corvane", table "dbo.KX_ExpenVouch", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_BalanceInfo_KX_ExpenVouch_update BEFORE UPDATE OF ExpenGUID ON KX_BalanceInfo
WHEN NOT EXISTS (SELECT 1 FROM KX_ExpenVouch WHERE GUID = NEW.ExpenGUID)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the FOREIGN KEY constraint "FK_KX_BalanceInfo_KX_ExpenVouch". The conflict occurred in database "corvane", table "dbo.KX_ExpenVouch", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_BalanceInfo_KX_ExpenVouch_delete BEFORE DELETE ON KX_ExpenVouch
WHEN EXISTS (SELECT 1 FROM KX_BalanceInfo WHERE ExpenGUID = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_BalanceInfo_KX_ExpenVouch". The conflict occurred in database "corvane", table "dbo.KX_BalanceInfo", column ''ExpenGUID''.');
END;
CREATE TRIGGER FK_KX_BalanceInfo_KX_ExpenVouch_rekey BEFORE UPDATE OF GUID ON KX_ExpenVouch
WHEN NEW.GUID IS NOT OLD.GUID
 AND EXISTS (SELECT 1 FROM KX_BalanceInfo WHERE ExpenGUID = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The UPDATE statement conflicted with the REFERENCE constraint "FK_KX_BalanceInfo_KX_ExpenVouch". The conflict occurred in database "corvane", table "dbo.KX_BalanceInfo", column ''ExpenGUID''.');
END;
