-- The demo account 001 for 2026 with its periods, the module's function rights, and two users:
-- demo, an administrator, and clerk, who may only enter loans and claims and list loans. Their
-- passwords are hashed by the account creator.

INSERT INTO UA_Account (cAcc_ID, cAcc_Name, cCurCode, cCurName, cUnitName, cUnitAbbre, cUnitAddr,
                        cUnitZap, cUnitTel, cUnitFax, cUnitEMail, cUnitTaxNo, iYear, iMonth)
VALUES ('001', '青岚机电演示账套', 'RMB', '人民币', '青岚机电设备有限公司', '青岚机电',
        '江苏省苏州市工业园区星湖街 218 号', '215123', '0512-62880001', '0512-62880002',
        'finance@qinglan.example', '91320594MA1XQL0012', 2026, 1);

WITH RECURSIVE month(iID) AS (SELECT 1 UNION ALL SELECT iID + 1 FROM month WHERE iID < 12)
INSERT INTO UA_Period (cAcc_ID, iYear, iID, dBegin, dEnd, bIsDelete)
SELECT '001', 2026, iID,
       strftime('%Y-%m-%d %H:%M:%S', printf('2026-%02d-01', iID)),
       strftime('%Y-%m-%d %H:%M:%S', printf('2026-%02d-01', iID), '+1 month', '-1 day'),
       0
FROM month;

INSERT INTO UA_Auth (cAuth_ID, cAuth_Name, cAuth_Name_EN, cSub_ID) VALUES
  ('KX0102', '业务类型', 'Operation types', 'KX'),
  ('KX0103', '收支项目', 'Income and expense items', 'KX'),
  ('KX0104', '费用标准', 'Expense standards', 'KX'),
  ('KX0105', '人员设置', 'Person settings', 'KX'),
  ('KX0106', '地点设置', 'Places', 'KX'),
  ('KX0108', '科目设置', 'Ledger account settings', 'KX'),
  ('KX010101', '选项查看', 'Read module options', 'KX'),
  ('KX010102', '选项修改', 'Edit module options', 'KX'),
  ('KX020101', '借款单', 'Loan vouchers', 'KX'),
  ('KX020201', '借款单审批', 'Approve loans', 'KX'),
  ('KX020202', '借款单弃审', 'Cancel loan approvals', 'KX'),
  ('KX0202', '借款单审批流', 'Loan approval flow', 'KX'),
  ('KX020301', '报销单', 'Expense claims', 'KX'),
  ('KX020302', '报销单核销', 'Claim settlement', 'KX'),
  ('KX020305', '报销单收付款', 'Claim receipts and payments', 'KX'),
  ('KX020401', '报销单审批', 'Approve claims', 'KX'),
  ('KX020402', '报销单弃审', 'Cancel claim approvals', 'KX'),
  ('KX0204', '报销单审批流', 'Claim approval flow', 'KX'),
  ('KX020501', '网上支付', 'Send net-bank payments', 'KX'),
  ('KX020502', '取消网上支付', 'Withdraw net-bank payments', 'KX'),
  ('KX0206', '生成凭证', 'Ledger vouchers', 'KX'),
  ('KX0301', '借款单列表', 'Loan list', 'KX'),
  ('KX0302', '报销单列表', 'Claim list', 'KX'),
  ('KX0303', '凭证列表', 'Ledger voucher list', 'KX'),
  ('KX0401', '借款预警', 'Loan alerts', 'KX'),
  ('KX0402', '借款账龄', 'Loan aging', 'KX'),
  ('KX0404', '业务汇总', 'Summaries by operation type', 'KX');

INSERT INTO UA_User (cUser_ID, cUser_Name, cPassword) VALUES
  ('demo', '周建国', NULL),
  ('clerk', '李晓燕', NULL);

INSERT INTO UA_Role (cUser_id, cgroup_id) VALUES
  ('demo', 'KXADMIN'),
  ('clerk', 'KXCLERK');

-- The administrators' group holds 'ADMIN' and every right of the module.
INSERT INTO UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID)
SELECT '001', 2026, 'KXADMIN', 0, cAuth_ID FROM UA_Auth WHERE cSub_ID = 'KX'
UNION ALL SELECT '001', 2026, 'KXADMIN', 0, 'ADMIN';

INSERT INTO UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID) VALUES
  ('001', 2026, 'KXCLERK', 0, 'KX020101'),
  ('001', 2026, 'KXCLERK', 0, 'KX020301'),
  ('001', 2026, 'KXCLERK', 0, 'KX0301');

INSERT INTO UA_ModuleLock (iKind, cSub_ID, iYear, bLocked) VALUES (204, 'KX', 2026, 0);
