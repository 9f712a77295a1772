-- Person settings: one row per person that has a grade or a switched-on loan limit. A flag that
-- is Null counts as off. Control types are stored as codes: '0' prompt, '1' strict control.
CREATE TABLE KX_PersonCtrl (
  strPersonCode nvarchar(20) COLLATE NOCASE NOT NULL,
  strGradeID nvarchar(10) COLLATE NOCASE NULL,
  blnDay bit NULL,
  intDay int NULL,
  strDayCtrType nvarchar(1) COLLATE NOCASE NULL DEFAULT '0',
  blnNumber bit NULL,
  intNumber int NULL,
  strNumCtrType nvarchar(1) COLLATE NOCASE NULL DEFAULT '0',
  blnMoney bit NULL,
  intMoney money NULL,
  strMonCtrType nvarchar(1) COLLATE NOCASE NULL DEFAULT '0',
  ts timestamp NULL,
  CONSTRAINT PK_KX_PersonCtrl PRIMARY KEY (strPersonCode)
);

CREATE TRIGGER KX_PersonCtrl_ts_insert AFTER INSERT ON KX_PersonCtrl
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PersonCtrl SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_PersonCtrl_ts_update AFTER UPDATE ON KX_PersonCtrl
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PersonCtrl SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- A person's bank accounts; at most one of them is the default (the save checks it).
CREATE TABLE KX_PersonAcc (
  GUID nvarchar(38) COLLATE NOCASE NOT NULL DEFAULT ('{'||upper(hex(randomblob(4)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(2)))||'-'||upper(hex(randomblob(6)))||'}'),
  strPersonCode nvarchar(20) COLLATE NOCASE NOT NULL,
  strBankAcc nvarchar(40) COLLATE NOCASE NOT NULL,
  strBank nvarchar(60) COLLATE NOCASE NULL,
  blnDefault bit NOT NULL DEFAULT 0,
  ts timestamp NULL,
  CONSTRAINT PK_KX_PersonAcc PRIMARY KEY (GUID)
);
-- A person holds an account number once.
CREATE UNIQUE INDEX IX_KX_PersonAcc ON KX_PersonAcc (strPersonCode, strBankAcc);

CREATE TRIGGER KX_PersonAcc_ts_insert AFTER INSERT ON KX_PersonAcc
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PersonAcc SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_PersonAcc_ts_update AFTER UPDATE ON KX_PersonAcc
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_PersonAcc SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
