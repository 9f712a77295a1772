-- The demo company's chart of accounts, banks and settle styles, and the ledger accounts of its
-- cash and bank payments and cash receipts.
INSERT INTO code (ccode, ccode_name, igrade, bend) VALUES
  ('1001', '库存现金', 1, 1),
  ('1002', '银行存款', 1, 1),
  ('1221', '其他应收款', 1, 1),
  ('2241', '其他应付款', 1, 1),
  ('6051', '其他业务收入', 1, 1),
  ('6602', '管理费用', 1, 0),
  ('660201', '差旅费', 2, 1),
  ('660202', '办公费', 2, 1);

INSERT INTO Bank (cBCode, cBName, cBAccount) VALUES
  ('01', '招商银行苏州分行', '512902345610001'),
  ('02', '中国银行苏州分行', '470858201234');

INSERT INTO SettleStyle (cSSCode, cSSName) VALUES
  ('1', '现金'),
  ('2', '支票'),
  ('3', '银行转账');

INSERT INTO KX_PzSet_OP (GUID, strOperatType, strBalanceType, strBankID, strCurrency, strSubject) VALUES
  ('{5D1A7E30-2C4B-4F19-8A04-000000000001}', '付款', '1', NULL, NULL, '1001'),
  ('{5D1A7E30-2C4B-4F19-8A04-000000000002}', '付款', '3', '01', '人民币', '1002'),
  ('{5D1A7E30-2C4B-4F19-8A04-000000000003}', '收款', '1', NULL, NULL, '1001');

-- What a travel claim paid by cheque posts to: its travel items to travel expenses, and cheques
-- drawn on the company's account at 招商银行 to the bank deposits. These rows came after the
-- rest of the demo; the row-version counter goes back to where the rest left it, so that a fresh
-- demo account hands out the row versions it always did (requests written for the demo name
-- them). Row versions are compared row by row, with the row's key, so these rows may share a
-- value with a row written later.
CREATE TEMP TABLE DemoRowVersion AS SELECT value FROM Corvane_RowVersion;

INSERT INTO KX_PzSet_IO (GUID, strOperatType, strIOItemCode, strCurrency, strSubject, blnModiDire) VALUES
  ('{5D1A7E30-2C4B-4F19-8A04-000000000101}', '201', '20101', '人民币', '660201', 0),
  ('{5D1A7E30-2C4B-4F19-8A04-000000000102}', '201', '20102', '人民币', '660201', 0),
  ('{5D1A7E30-2C4B-4F19-8A04-000000000103}', '201', '20103', '人民币', '660201', 0);

INSERT INTO KX_PzSet_OP (GUID, strOperatType, strBalanceType, strBankID, strCurrency, strSubject) VALUES
  ('{5D1A7E30-2C4B-4F19-8A04-000000000004}', '付款', '2', '01', '人民币', '1002');

UPDATE Corvane_RowVersion SET value = (SELECT value FROM temp.DemoRowVersion);
DROP TABLE temp.DemoRowVersion;
