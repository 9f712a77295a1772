-- The demo company's budget system serves the module.
INSERT INTO BudgetSystemState (cSysID, blnUsable) VALUES ('KX', 1);
