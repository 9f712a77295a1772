-- Places: a tree under one unstored root, placed by the place code rule (option strZeroLevel).
-- strUpCode keeps the parent code as the client sent it: Null or '0' for the top level.
CREATE TABLE KX_Position (
  strPositionCode nvarchar(20) COLLATE NOCASE NOT NULL,
  strPositionName nvarchar(50) COLLATE NOCASE NOT NULL,
  strGradeID nvarchar(10) COLLATE NOCASE NULL,
  strUpCode nvarchar(20) COLLATE NOCASE NULL,
  ts timestamp NULL,
  CONSTRAINT PK_KX_POSITION PRIMARY KEY (strPositionCode)
);
-- A place's name is unique in the whole tree: claim lines and reports show a begin or end place
-- by its name alone.
CREATE UNIQUE INDEX IX_KX_Position ON KX_Position (strPositionName);

CREATE TRIGGER KX_Position_ts_insert AFTER INSERT ON KX_Position
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_Position SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_Position_ts_update AFTER UPDATE ON KX_Position
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_Position SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
