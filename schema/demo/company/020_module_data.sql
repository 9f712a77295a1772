-- The demo company's voucher cards, templates, operation types and income and expense items.

INSERT INTO Vouchers (CardNumber, CardName, DEF_ID) VALUES
  ('KX01', '借款单', 11),
  ('KX02', '收入报销单', 21),
  ('KX03', '费用报销单', 31);

INSERT INTO VoucherTemplates (vt_id, vt_name, vt_cardnumber, vt_templatemode) VALUES
  (11, '借款单显示模板', 'KX01', 0),
  (12, '借款单打印模板', 'KX01', 1),
  (21, '收入报销单显示模板', 'KX02', 0),
  (22, '收入报销单打印模板', 'KX02', 1),
  (31, '费用报销单显示模板', 'KX03', 0),
  (32, '费用报销单打印模板', 'KX03', 1);

INSERT INTO KX_OperationType (intType, strCode, strName, strShowModel, strPrintModel, strLink) VALUES
  (1, '101', '其他收入', '21', '22', NULL),
  (1, '102', '押金退回', '21', '22', NULL),
  (2, '201', '差旅费报销', '31', '32', NULL),
  (2, '202', '日常费用报销', '31', '32', NULL),
  (3, '301', '差旅借款', '11', '12', NULL),
  (3, '302', '备用金借款', '11', '12', NULL);

INSERT INTO KX_IOItem (strCode, strName, strTypeCode, strUpCode, blnEnd) VALUES
  ('101', '其他收入', '101', '1', 1),
  ('102', '押金收入', '102', '1', 1),
  ('201', '差旅费', '201', '2', 0),
  ('20101', '交通费', '201', '201', 1),
  ('20102', '住宿费', '201', '201', 1),
  ('20103', '出差补助', '201', '201', 1),
  ('202', '办公费', '202', '2', 1),
  ('203', '业务招待费', '202', '2', 1);
