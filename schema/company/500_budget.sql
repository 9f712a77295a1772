-- The host's budget: items with up to three control dimensions, a budget amount per item and
-- dimension values with the amount used so far, the open budget periods, and the ledger of every
-- charge and release made by an approval or its cancellation.
--
-- iControlType is the control type answered with an over-budget verdict; bRefuseOver 1 refuses
-- an over-budget voucher outright instead of answering it as a prompt.
CREATE TABLE BudgetItems (
  cItemCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cItemName nvarchar(60) COLLATE NOCASE NOT NULL,
  cPortCode1 nvarchar(20) COLLATE NOCASE NULL,
  cPortName1 nvarchar(30) COLLATE NOCASE NULL,
  cPortCode2 nvarchar(20) COLLATE NOCASE NULL,
  cPortName2 nvarchar(30) COLLATE NOCASE NULL,
  cPortCode3 nvarchar(20) COLLATE NOCASE NULL,
  cPortName3 nvarchar(30) COLLATE NOCASE NULL,
  iControlType int NOT NULL DEFAULT 1,
  bRefuseOver bit NOT NULL DEFAULT 0,
  CONSTRAINT PK_BudgetItems PRIMARY KEY (cItemCode)
);

-- Dimension values are stored as codes; a dimension the item does not use holds ''.
CREATE TABLE BudgetAmounts (
  cItemCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cPortValue1 nvarchar(30) COLLATE NOCASE NOT NULL DEFAULT '',
  cPortValue2 nvarchar(30) COLLATE NOCASE NOT NULL DEFAULT '',
  cPortValue3 nvarchar(30) COLLATE NOCASE NOT NULL DEFAULT '',
  mBudget money NOT NULL DEFAULT 0,
  mUsed money NOT NULL DEFAULT 0,
  CONSTRAINT PK_BudgetAmounts PRIMARY KEY (cItemCode, cPortValue1, cPortValue2, cPortValue3)
);

-- A voucher is checked only when its date lies in an open period of its module.
CREATE TABLE BudgetPeriods (
  cSysID nvarchar(2) COLLATE NOCASE NOT NULL,
  dBegin datetime NOT NULL,
  dEnd datetime NOT NULL,
  bOpen bit NOT NULL DEFAULT 1,
  CONSTRAINT PK_BudgetPeriods PRIMARY KEY (cSysID, dBegin)
);

-- One row per charge (positive) or release (negative) of a voucher.
CREATE TABLE BudgetLedger (
  iID INTEGER PRIMARY KEY AUTOINCREMENT,
  cSysID nvarchar(2) COLLATE NOCASE NOT NULL,
  cVoucherGUID nvarchar(38) COLLATE NOCASE NOT NULL,
  cVoucherNo nvarchar(30) COLLATE NOCASE NULL,
  cItemCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cPortValue1 nvarchar(30) COLLATE NOCASE NOT NULL DEFAULT '',
  cPortValue2 nvarchar(30) COLLATE NOCASE NOT NULL DEFAULT '',
  cPortValue3 nvarchar(30) COLLATE NOCASE NOT NULL DEFAULT '',
  mAmount money NOT NULL
);
