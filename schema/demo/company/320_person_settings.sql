-- Loan limits of a few demo persons and their bank accounts. The salesman 0005 may owe for at
-- most 30 days, in at most 2 loans and up to 8000 (strict); the technician 0009 has a prompt
-- amount limit of 5000 and a switched-off day limit kept at 60.
INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID, blnDay, intDay, strDayCtrType, blnNumber,
                           intNumber, strNumCtrType, blnMoney, intMoney, strMonCtrType) VALUES
  ('0005', NULL, 1, 30, '1', 1, 2, '1', 1, 8000, '1'),
  ('0009', NULL, 0, 60, '0', 0, NULL, '0', 1, 5000, '0');

INSERT INTO KX_PersonAcc (GUID, strPersonCode, strBankAcc, strBank, blnDefault) VALUES
  ('{6C1D2E30-4A5B-4C6D-8E7F-000000000001}', '0005', '6222020200010005', '工商银行', 1),
  ('{6C1D2E30-4A5B-4C6D-8E7F-000000000002}', '0005', '6217000010000005', '建设银行', 0),
  ('{6C1D2E30-4A5B-4C6D-8E7F-000000000003}', '0009', '6228480010000009', '农业银行', 0),
  ('{6C1D2E30-4A5B-4C6D-8E7F-000000000004}', '0009', '6225880010000009', '招商银行', 0);
