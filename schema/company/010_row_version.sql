-- Row versions: one counter for the whole company database. Every insert into and every update
-- of a module table takes the next value into the row's `ts` (see the ts triggers of each table),
-- so a row's ts changes on each write, even on an update that changes nothing (set guid=guid).
-- The triggers rely on recursive triggers staying off, SQLite's default.
CREATE TABLE Corvane_RowVersion (
  value bigint NOT NULL
);
INSERT INTO Corvane_RowVersion (value) VALUES (0);

-- The locales the module serves; the localized views give one row per locale.
CREATE TABLE Corvane_Locale (
  LocaleID nvarchar(10) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_Corvane_Locale PRIMARY KEY (LocaleID)
);
INSERT INTO Corvane_Locale (LocaleID) VALUES ('zh-CN');
INSERT INTO Corvane_Locale (LocaleID) VALUES ('en-us');
