-- The module's option rows (system KX). The module only reads them and changes cValue.
-- 1xx: general options, in the order the option editor answers them.
INSERT INTO AccInformation (cSysID, cID, cName, cCaption, cType, cValue, cDefault) VALUES
  ('KX', '101', 'blnBudCtrl', '预算控制用于借款单', 'Boolean', 'False', 'False'),
  ('KX', '102', 'intExpireDays', '借款到期天数', 'Integer', '30', '30'),
  ('KX', '103', 'intAlertDays', '借款预警提前天数', 'Integer', '7', '7'),
  ('KX', '104', 'blnAutoAlert', '登录时自动预警', 'Boolean', 'False', 'False'),
  ('KX', '105', 'blnSubmAudit', '保存即提交审批', 'Boolean', 'False', 'False'),
  ('KX', '106', 'strIOLevel', '收支项目编码规则', 'String', '122', '122'),
  ('KX', '107', 'strZeroLevel', '地点编码规则', 'String', '122', '122'),
  ('KX', '108', 'blnModiStand', '允许修改标准金额', 'Boolean', 'False', 'False'),
  ('KX', '109', 'blnModiFZHS', '允许修改辅助核算', 'Boolean', 'False', 'False'),
  ('KX', '110', 'blnInputBud', '录入预算项目', 'Boolean', 'False', 'False');
-- 2xx: how ledger-voucher making merges lines; "true" switches a merge on.
INSERT INTO AccInformation (cSysID, cID, cName, cCaption, cType, cValue, cDefault) VALUES
  ('KX', '201', 'iokm_zy', '收支行按摘要合并', 'Boolean', 'false', 'false'),
  ('KX', '202', 'iokm_km', '收支行按科目合并', 'Boolean', 'false', 'false'),
  ('KX', '203', 'iokm_fzx', '收支行按辅助项合并', 'Boolean', 'false', 'false'),
  ('KX', '204', 'iokm_djrq', '收支行按单据日期合并', 'Boolean', 'false', 'false'),
  ('KX', '205', 'iokm_zdy', '收支行按自定义项合并', 'Boolean', 'false', 'false'),
  ('KX', '206', 'opkm_zy', '收付行按摘要合并', 'Boolean', 'false', 'false'),
  ('KX', '207', 'opkm_km', '收付行按科目合并', 'Boolean', 'false', 'false'),
  ('KX', '208', 'opkm_fzx', '收付行按辅助项合并', 'Boolean', 'false', 'false'),
  ('KX', '209', 'opkm_djrq', '收付行按单据日期合并', 'Boolean', 'false', 'false'),
  ('KX', '210', 'opkm_jsfs', '收付行按结算方式合并', 'Boolean', 'false', 'false'),
  ('KX', '211', 'opkm_pjbh', '收付行按票据号合并', 'Boolean', 'false', 'false'),
  ('KX', '212', 'opkm_zdy', '收付行按自定义项合并', 'Boolean', 'false', 'false');
