-- The demo company's budgets for 2026, each by department: petty-cash loans (the technical
-- department's saved petty-cash loan JK2026010002 would take 5742.32 of its 10000 when loans are
-- under budget control), and office expenses, the technical department's nearly used up (its open
-- office-supplies claim BX2026010002 of 450 exceeds what is left) and held strictly (control type
-- 3).
INSERT INTO BudgetItems (cItemCode, cItemName, cPortCode1, cPortName1, iControlType, bRefuseOver)
VALUES
  ('B01', '备用金', 'dept', '部门', 1, 0),
  ('B02', '办公费用', 'dept', '部门', 3, 0);

INSERT INTO BudgetAmounts (cItemCode, cPortValue1, mBudget, mUsed) VALUES
  ('B01', '04', 10000, 0),
  ('B01', '0301', 8000, 0),
  ('B02', '04', 600, 300),
  ('B02', '0301', 2000, 0);

INSERT INTO BudgetPeriods (cSysID, dBegin, dEnd, bOpen) VALUES
  ('KX', '2026-01-01 00:00:00', '2026-12-31 00:00:00', 1);
