-- The host's menu: the functions of each module as folders and entries. An entry names the right
-- (cAuth_ID) a user must hold to see it; a folder (no right) is shown when one of its entries is.
CREATE TABLE UA_Menu (
  cSub_ID nvarchar(2) COLLATE NOCASE NOT NULL,
  cMenu_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  cParent_ID nvarchar(20) COLLATE NOCASE NULL,
  cCaption nvarchar(60) COLLATE NOCASE NOT NULL,
  cAuth_ID nvarchar(20) COLLATE NOCASE NULL,
  cUrl nvarchar(200) COLLATE NOCASE NULL,
  iOrder int NOT NULL DEFAULT 0,
  CONSTRAINT PK_UA_Menu PRIMARY KEY (cSub_ID, cMenu_ID)
);

INSERT INTO UA_Menu (cSub_ID, cMenu_ID, cParent_ID, cCaption, cAuth_ID, cUrl, iOrder) VALUES
  ('KX', 'KX01', NULL, '设置', NULL, NULL, 1),
  ('KX', 'KX010101', 'KX01', '选项', 'KX010101', 'settings/options.htm', 1),
  ('KX', 'KX0102', 'KX01', '业务类型', 'KX0102', 'settings/optype.htm', 2),
  ('KX', 'KX0103', 'KX01', '收支项目', 'KX0103', 'settings/ioitem.htm', 3),
  ('KX', 'KX0104', 'KX01', '费用标准', 'KX0104', 'settings/standard.htm', 4),
  ('KX', 'KX0105', 'KX01', '人员设置', 'KX0105', 'settings/person.htm', 5),
  ('KX', 'KX0106', 'KX01', '地点设置', 'KX0106', 'settings/place.htm', 6),
  ('KX', 'KX0108', 'KX01', '科目设置', 'KX0108', 'settings/account.htm', 7),
  ('KX', 'KX02', NULL, '日常业务', NULL, NULL, 2),
  ('KX', 'KX020101', 'KX02', '借款单', 'KX020101', 'vouch/loan.htm', 1),
  ('KX', 'KX020201', 'KX02', '借款单审批', 'KX020201', 'audit/loan.htm', 2),
  ('KX', 'KX020301', 'KX02', '报销单', 'KX020301', 'vouch/claim.htm', 3),
  ('KX', 'KX020401', 'KX02', '报销单审批', 'KX020401', 'audit/claim.htm', 4),
  ('KX', 'KX020501', 'KX02', '网上支付', 'KX020501', 'pay/netbank.htm', 5),
  ('KX', 'KX0206', 'KX02', '生成凭证', 'KX0206', 'posting/make.htm', 6),
  ('KX', 'KX03', NULL, '单据列表', NULL, NULL, 3),
  ('KX', 'KX0301', 'KX03', '借款单列表', 'KX0301', 'list/loan.htm', 1),
  ('KX', 'KX0302', 'KX03', '报销单列表', 'KX0302', 'list/claim.htm', 2),
  ('KX', 'KX0303', 'KX03', '凭证列表', 'KX0303', 'list/voucher.htm', 3),
  ('KX', 'KX04', NULL, '报表', NULL, NULL, 4),
  ('KX', 'KX0401', 'KX04', '借款预警', 'KX0401', 'report/alert.htm', 1),
  ('KX', 'KX0402', 'KX04', '借款账龄', 'KX0402', 'report/aging.htm', 2),
  ('KX', 'KX0404', 'KX04', '业务汇总', 'KX0404', 'report/summary.htm', 3);
