-- Write-offs of loan lines by claims: one row per loan line that one claim writes off. A claim
-- cannot be deleted while it holds rows here, and a loan line cannot be deleted while a claim
-- has written it off (the loan save and deletion rely on the constraint's text naming this table).
CREATE TABLE KX_ExpenLoanInfo (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  Expenguid nvarchar(38) COLLATE NOCASE NOT NULL,
  LoanSubguid nvarchar(38) COLLATE NOCASE NOT NULL,
  dblJE money NULL DEFAULT 0,
  blnUsed bit NULL,
  ts timestamp NULL,
  CONSTRAINT PK_KX_ExpenLoanInfo PRIMARY KEY (GUID)
);
CREATE INDEX KX_ExpenLoanInfo_LoanSubguid ON KX_ExpenLoanInfo (LoanSubguid);
CREATE INDEX KX_ExpenLoanInfo_Expenguid ON KX_ExpenLoanInfo (Expenguid);

CREATE TRIGGER KX_ExpenLoanInfo_ts_insert AFTER INSERT ON KX_ExpenLoanInfo
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_ExpenLoanInfo SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_ExpenLoanInfo_ts_update AFTER UPDATE ON KX_ExpenLoanInfo
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_ExpenLoanInfo SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- FK_KX_ExpenLoanInfo_KX_ExpenVouch: KX_ExpenLoanInfo.Expenguid refers to KX_ExpenVouch.GUID.
CREATE TRIGGER FK_KX_ExpenLoanInfo_KX_ExpenVouch_insert BEFORE INSERT ON KX_ExpenLoanInfo
WHEN NOT EXISTS (SELECT 1 FROM KX_ExpenVouch WHERE GUID = NEW.Expenguid)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_ExpenLoanInfo_KX_ExpenVouch". The conflict occurred in database "corvane", table "dbo.KX_ExpenVouch", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_ExpenLoanInfo_KX_ExpenVouch_delete BEFORE DELETE ON KX_ExpenVouch
WHEN EXISTS (SELECT 1 FROM KX_ExpenLoanInfo WHERE Expenguid = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_ExpenLoanInfo_KX_ExpenVouch". The conflict occurred in database "corvane", table "dbo.KX_ExpenLoanInfo", column ''Expenguid''.');
END;

-- FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub: KX_ExpenLoanInfo.LoanSubguid refers to KX_LoanVouch_Sub.GUID.
CREATE TRIGGER FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub_insert BEFORE INSERT ON KX_ExpenLoanInfo
WHEN NOT EXISTS (SELECT 1 FROM KX_LoanVouch_Sub WHERE GUID = NEW.LoanSubguid)
BEGIN
  SELECT RAISE(ABORT, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub". The conflict occurred in database "corvane", table "dbo.KX_LoanVouch_Sub", column ''GUID''.');
END;
CREATE TRIGGER FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub_delete BEFORE DELETE ON KX_LoanVouch_Sub
WHEN EXISTS (SELECT 1 FROM KX_ExpenLoanInfo WHERE LoanSubguid = OLD.GUID)
BEGIN
  SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub". The conflict occurred in database "corvane", table "dbo.KX_ExpenLoanInfo", column ''LoanSubguid''.');
END;

-- The write-offs with the claim that made them: its date, approver, voucher number and the
-- claimant's name.
CREATE VIEW vwKXExpenInfo AS
SELECT KX_ExpenLoanInfo.GUID AS GUID,
       KX_ExpenLoanInfo.Expenguid AS Expenguid,
       KX_ExpenLoanInfo.LoanSubguid AS LoanSubguid,
       KX_ExpenLoanInfo.dblJE AS dblJE,
       KX_ExpenLoanInfo.blnUsed AS blnUsed,
       KX_ExpenVouch.dtLoanDate AS dtLoanDate,
       KX_ExpenVouch.strAuditorID AS strAuditorID,
       Person.cPersonName AS cPersonName,
       KX_ExpenVouch.strVouchID AS strVouchID
FROM KX_ExpenLoanInfo
JOIN KX_ExpenVouch ON KX_ExpenVouch.GUID = KX_ExpenLoanInfo.Expenguid
LEFT JOIN Person ON Person.cPersonCode = KX_ExpenVouch.strLoanID;
