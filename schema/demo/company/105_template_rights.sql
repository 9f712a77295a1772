-- Voucher templates are under row rights too: the clerks' group may use the templates of the loan
-- and expense claim cards, not those of income claims.
INSERT INTO RowRightObject (cBusObject, cName, bControl) VALUES ('djmb', '单据模板', 1);

INSERT INTO RowRightGrant (cHolder_ID, iIsUser, cBusObject, cKey, cObjectID) VALUES
  ('KXCLERK', 0, 'djmb', 'KX01', '11'),
  ('KXCLERK', 0, 'djmb', 'KX01', '12'),
  ('KXCLERK', 0, 'djmb', 'KX03', '31'),
  ('KXCLERK', 0, 'djmb', 'KX03', '32');
