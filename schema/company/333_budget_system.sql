-- Whether the host's budget system can serve a module of this account (one row per module;
-- a module without a row cannot use it).
CREATE TABLE BudgetSystemState (
  cSysID nvarchar(2) COLLATE NOCASE NOT NULL,
  blnUsable bit NOT NULL DEFAULT 0,
  CONSTRAINT PK_BudgetSystemState PRIMARY KEY (cSysID)
);
