-- The host's reference lists, served page by page by its reference server.

-- A named list: its SELECT (without WHERE or ORDER BY; a client's condition narrows its columns
-- by name) and the order used when the client gives none.
CREATE TABLE ReferDef (
  cRefName nvarchar(40) COLLATE NOCASE NOT NULL,
  cSql nvarchar(1000) COLLATE NOCASE NOT NULL,
  cOrder nvarchar(200) COLLATE NOCASE NULL,
  CONSTRAINT PK_ReferDef PRIMARY KEY (cRefName)
);

-- The display format of a list: its columns with caption and width, in order. The item classes
-- share the format named 'fitemss'.
CREATE TABLE ReferTitle (
  cRefName nvarchar(40) COLLATE NOCASE NOT NULL,
  iOrder int NOT NULL,
  cField nvarchar(40) COLLATE NOCASE NOT NULL,
  cCaption nvarchar(60) COLLATE NOCASE NOT NULL,
  iWidth int NOT NULL DEFAULT 100,
  CONSTRAINT PK_ReferTitle PRIMARY KEY (cRefName, iOrder)
);

-- Standard voucher summaries of the ledger.
CREATE TABLE GL_bdigest (
  cCode nvarchar(10) COLLATE NOCASE NOT NULL,
  cDigest nvarchar(120) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_GL_bdigest PRIMARY KEY (cCode)
);

-- Units of the account (the user-defined "unit" list).
CREATE TABLE fd_accunit (
  iid int NOT NULL,
  cUnitCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cUnitName nvarchar(100) COLLATE NOCASE NOT NULL,
  cMark nvarchar(60) COLLATE NOCASE NULL,
  iType int NOT NULL DEFAULT 0,
  accunit_id nvarchar(20) COLLATE NOCASE NULL,
  CONSTRAINT PK_fd_accunit PRIMARY KEY (iid)
);

INSERT INTO ReferDef (cRefName, cSql, cOrder) VALUES
  ('department', 'select cDepCode as ccode, cDepName as cname from Department', 'ccode'),
  ('person', 'select cPersonCode as ccode, cPersonName as cname, cDepCode as cdepcode from Person', 'ccode'),
  ('user', 'select cUser_ID as cuser_id, cUser_Name as cuser_name from vqsystem..UA_User', 'cuser_id'),
  ('currency', 'select cexch_name, cexch_code from foreigncurrency', 'cexch_code'),
  ('userdefine', 'select cID as cid, cValue as cvalue from UserDefine', 'cid, cvalue'),
  ('gl_bdigest', 'select cCode as ccode, cDigest as cdigest from GL_bdigest', 'ccode');

INSERT INTO ReferTitle (cRefName, iOrder, cField, cCaption, iWidth) VALUES
  ('fitemss', 1, 'citemcode', '项目编码', 80),
  ('fitemss', 2, 'citemname', '项目名称', 160),
  ('fd_dwref', 1, 'cUnitCode', '单位编码', 80),
  ('fd_dwref', 2, 'cUnitName', '单位名称', 160),
  ('userdefineref', 1, 'cvalue', '自定义项', 120);
