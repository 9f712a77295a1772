-- Operation types: the business types under which loans and claims are entered. The first
-- digit of strCode is the voucher kind (1 income claim, 2 expense claim, 3 loan).
CREATE TABLE KX_OperationType (
  intType int NOT NULL,
  strCode nvarchar(10) COLLATE NOCASE NOT NULL,
  strName nvarchar(50) COLLATE NOCASE NOT NULL,
  strShowModel nvarchar(20) COLLATE NOCASE NULL,
  strPrintModel nvarchar(20) COLLATE NOCASE NULL,
  strLink nvarchar(200) COLLATE NOCASE NULL,
  ts timestamp NULL,
  CONSTRAINT PK_KX_OPERATIONTYPE PRIMARY KEY (strCode)
);
-- A type's name is unique within its kind, so that a user never sees two types of one kind
-- under the same name; types of different kinds may share a name.
CREATE UNIQUE INDEX IX_KX_OperationType ON KX_OperationType (intType, strName);

CREATE TRIGGER KX_OperationType_ts_insert AFTER INSERT ON KX_OperationType
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_OperationType SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER KX_OperationType_ts_update AFTER UPDATE ON KX_OperationType
WHEN NEW.ts IS OLD.ts
BEGIN
  UPDATE Corvane_RowVersion SET value = value + 1;
  UPDATE KX_OperationType SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid;
END;

-- One row per operation type and locale, with the names of its display and print templates.
CREATE VIEW vwKXOperaType AS
SELECT Corvane_Locale.LocaleID AS LocaleID,
       KX_OperationType.intType AS intType,
       KX_OperationType.strCode AS strCode,
       KX_OperationType.strName AS strName,
       KX_OperationType.strShowModel AS strShowID,
       ShowTemplate.vt_name AS strShowName,
       KX_OperationType.strPrintModel AS strPrintID,
       PrintTemplate.vt_name AS strPrintName,
       KX_OperationType.strLink AS strLink,
       KX_OperationType.ts AS ts
FROM KX_OperationType
CROSS JOIN Corvane_Locale
LEFT JOIN VoucherTemplates AS ShowTemplate ON ShowTemplate.vt_id = KX_OperationType.strShowModel
LEFT JOIN VoucherTemplates AS PrintTemplate ON PrintTemplate.vt_id = KX_OperationType.strPrintModel;
