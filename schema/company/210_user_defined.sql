-- User-defined fields of vouchers and archives: what a field holds and which values it takes.

-- A field by name: its caption, the longest value it takes, and whether a value must come from
-- its list (bCheck 1).
CREATE TABLE UserDefField (
  cFieldName nvarchar(30) COLLATE NOCASE NOT NULL,
  cCaption nvarchar(60) COLLATE NOCASE NOT NULL,
  iLength int NOT NULL DEFAULT 120,
  bCheck bit NOT NULL DEFAULT 1,
  CONSTRAINT PK_UserDefField PRIMARY KEY (cFieldName)
);

-- The values of the fields whose values live in the host's own list: cID names the field.
CREATE TABLE UserDefine (
  cID nvarchar(30) COLLATE NOCASE NOT NULL,
  cValue nvarchar(120) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_UserDefine PRIMARY KEY (cID, cValue)
);
