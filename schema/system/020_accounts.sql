-- Accounts and their periods.

CREATE TABLE UA_Account (
  cAcc_ID nvarchar(3) COLLATE NOCASE NOT NULL,
  cAcc_Name nvarchar(60) COLLATE NOCASE NOT NULL,
  cCurCode nvarchar(10) COLLATE NOCASE NULL,
  cCurName nvarchar(20) COLLATE NOCASE NULL,
  cUnitName nvarchar(100) COLLATE NOCASE NULL,
  cUnitAbbre nvarchar(40) COLLATE NOCASE NULL,
  cUnitAddr nvarchar(200) COLLATE NOCASE NULL,
  cUnitZap nvarchar(10) COLLATE NOCASE NULL,
  cUnitTel nvarchar(40) COLLATE NOCASE NULL,
  cUnitFax nvarchar(40) COLLATE NOCASE NULL,
  cUnitEMail nvarchar(100) COLLATE NOCASE NULL,
  cUnitTaxNo nvarchar(30) COLLATE NOCASE NULL,
  iYear smallint NULL,
  iMonth tinyint NULL,
  CONSTRAINT PK_UA_Account PRIMARY KEY (cAcc_ID)
);

-- Accounting periods: iID 1 to 12 per account and year; bIsDelete 1 marks a removed period.
CREATE TABLE UA_Period (
  cAcc_ID nvarchar(3) COLLATE NOCASE NOT NULL,
  iYear smallint NOT NULL,
  iID tinyint NOT NULL,
  dBegin datetime NOT NULL,
  dEnd datetime NOT NULL,
  bIsDelete bit NOT NULL DEFAULT 0,
  CONSTRAINT PK_UA_Period PRIMARY KEY (cAcc_ID, iYear, iID)
);
