-- The host's chart of accounts, its banks and its settle styles, as the ledger account lists
-- name them.
CREATE TABLE code (
  ccode nvarchar(20) COLLATE NOCASE NOT NULL,
  ccode_name nvarchar(100) COLLATE NOCASE NOT NULL,
  igrade int NOT NULL DEFAULT 1,
  bend bit NOT NULL DEFAULT 1,
  CONSTRAINT PK_code PRIMARY KEY (ccode)
);

CREATE TABLE Bank (
  cBCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cBName nvarchar(100) COLLATE NOCASE NOT NULL,
  cBAccount nvarchar(50) COLLATE NOCASE NULL,
  CONSTRAINT PK_Bank PRIMARY KEY (cBCode)
);

CREATE TABLE SettleStyle (
  cSSCode nvarchar(10) COLLATE NOCASE NOT NULL,
  cSSName nvarchar(50) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_SettleStyle PRIMARY KEY (cSSCode)
);
