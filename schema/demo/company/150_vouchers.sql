-- The demo company's vouchers of January 2026: three loans (one an opening-balance loan), two
-- income claims (deposits returned) and two expense claims, in the states a new user meets
-- first: saved, submitted and approved. Users are named as the system writes them, by user name
-- (周建国 is the user demo, 李晓燕 the user clerk): the maker (strPersonID), the approver
-- (strAuditorID) and, on the opening-balance loan, strMakerID, which its saving user takes so
-- that it is never posted. The saved petty-cash loan and office-supplies claim name their budget
-- item and department (500_budget.sql), which their approval checks.

INSERT INTO KX_LoanVouch (GUID, AutoID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID,
                          strItemClassID, strItemID, strBudItemID, strPort1, strPort1Value, strBill,
                          fltRate, dblMoney, dblOldMoney, strUsed, dtExpDate, strPersonID, blnAudi,
                          intBudPass, strAuditorID, blnBegin, blnAllBill, strMakerID)
VALUES
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000001}', 1, '301', 'JK2026010001', '2026-01-06 00:00:00',
   '0301', '0005', '01', 'P2601', NULL, NULL, NULL, '人民币', 1, 5000, 5000, '华东渠道拓展差旅借款',
   '2026-02-05 00:00:00', '周建国', 1, 0, '周建国', 0, 0, NULL),
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000002}', 2, '302', 'JK2026010002', '2026-01-07 00:00:00',
   '04', '0009', 'ch', 'A001', 'B01', '[dept]部门', '[04]技术部', '美元', 7.1779, 800, 5742.32,
   '样机采购备用金', '2026-03-07 00:00:00', '李晓燕', 0, 0, NULL, 0, 0, NULL),
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000003}', 3, '302', 'JK2026010003', '2026-01-01 00:00:00',
   '01', '0002', NULL, NULL, NULL, NULL, NULL, '人民币', 1, 2000, 2000, '期初备用金',
   NULL, '周建国', 1, 0, '周建国', 1, 0, '周建国');

INSERT INTO KX_LoanVouch_Sub (MGuid, strBalanceID, dblMoney, dblPreMoney, strBillID, strPayBankID,
                              strBankName, strBankAcc)
VALUES
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000001}', '1', 3000, NULL, NULL, NULL, NULL, NULL),
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000001}', '3', 2000, NULL, 'ZZ0106001', '01',
   '招商银行苏州分行', '6225880212345678'),
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000002}', '3', 800, NULL, 'ZZ0107001', '02',
   '中国银行苏州分行', '6217856100012345'),
  ('{3A6F0C21-5B1E-4C8A-9D01-000000000003}', '1', 2000, NULL, NULL, NULL, NULL, NULL);

INSERT INTO KX_ExpenVouch (GUID, AutoID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID,
                           strItemClassID, strItemID, strBudItemID, strPort1, strPort1Value, strBill,
                           fltRate, dblMoney, dblOldMoney, strUsed, strPersonID, blnAudi, intBudPass,
                           strAuditorID)
VALUES
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000001}', 1, '102', 'SR2026010001', '2026-01-08 00:00:00',
   '02', '0003', NULL, NULL, NULL, NULL, NULL, '人民币', 1, 300, 300, '房租押金退回', '李晓燕', 0, 0,
   NULL),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000002}', 2, '102', 'SR2026010002', '2026-01-09 00:00:00',
   '0302', '0007', 'ch', 'A002', NULL, NULL, NULL, '美元', 7.18, 150, 1077, '展会押金退回', '周建国', 1,
   0, NULL),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 3, '201', 'BX2026010001', '2026-01-12 00:00:00',
   '0301', '0005', '01', 'P2601', NULL, NULL, NULL, '人民币', 1, 2300, 2300, '上海客户拜访差旅费',
   '周建国', 1, 1, '周建国'),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000004}', 4, '202', 'BX2026010002', '2026-01-13 00:00:00',
   '04', '0009', NULL, NULL, 'B02', '[dept]部门', '[04]技术部', '人民币', 1, 450, 450, '技术部办公用品',
   '李晓燕', 0, 0, NULL);

INSERT INTO KX_ExpenVouch_Sub (MGuid, dtBDate, intBTime, dtEDate, intETime, strBZero, strEZero,
                               strJTTools, strIOItem, dblVouch, dblNumber, dblStand, dblPer,
                               dblMoney, dblOldMoney, intAppend, strMemo)
VALUES
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000001}', '2026-01-08 00:00:00', NULL, '2026-01-08 00:00:00',
   NULL, NULL, NULL, NULL, '102', 300, 1, NULL, NULL, 300, 300, 1, '员工宿舍押金'),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000002}', '2026-01-09 00:00:00', NULL, '2026-01-09 00:00:00',
   NULL, NULL, NULL, NULL, '102', 150, 1, NULL, NULL, 150, 1077, 1, '展位押金'),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000003}', '2026-01-10 00:00:00', 8, '2026-01-11 00:00:00',
   18, NULL, NULL, '01', '20101', 800, 1, NULL, NULL, 800, 800, 2, '苏州至上海往返'),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000003}', '2026-01-10 00:00:00', NULL, '2026-01-11 00:00:00',
   NULL, NULL, NULL, NULL, '20102', 1200, 2, 600, NULL, 1200, 1200, 1, '两晚住宿'),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000003}', '2026-01-10 00:00:00', NULL, '2026-01-11 00:00:00',
   NULL, NULL, NULL, NULL, '20103', NULL, 2, 150, NULL, 300, 300, 0, '出差补助两天'),
  ('{7C2E9B40-1D3F-4E6A-8B02-000000000004}', '2026-01-13 00:00:00', NULL, '2026-01-13 00:00:00',
   NULL, NULL, NULL, NULL, '202', 450, 1, NULL, NULL, 450, 450, 3, '打印纸与墨盒');
