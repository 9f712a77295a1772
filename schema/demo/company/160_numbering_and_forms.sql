-- The demo company's voucher numbering, form templates, print format and logo.

-- Numbers: a card prefix, the voucher month and a four-digit serial (JK2026010001); the seeds
-- carry on from the demo vouchers.
INSERT INTO BillNumberFormat (CardNumber, FormatXml) VALUES
  ('KX01', '<单据编号 允许手工修改="false" 重号自动重取="true" 流水号长度="4" 起始值="1"><前缀 对象名称="常量" 源表字段名="" 种子="" 内容="JK"/><前缀 对象名称="日期" 源表字段名="dtLoanDate" 种子="" 格式="YYYYMM"/></单据编号>'),
  ('KX02', '<单据编号 允许手工修改="false" 重号自动重取="true" 流水号长度="4" 起始值="1"><前缀 对象名称="常量" 源表字段名="" 种子="" 内容="SR"/><前缀 对象名称="日期" 源表字段名="dtLoanDate" 种子="" 格式="YYYYMM"/></单据编号>'),
  ('KX03', '<单据编号 允许手工修改="false" 重号自动重取="true" 流水号长度="4" 起始值="1"><前缀 对象名称="常量" 源表字段名="" 种子="" 内容="BX"/><前缀 对象名称="日期" 源表字段名="dtLoanDate" 种子="" 格式="YYYYMM"/></单据编号>');

INSERT INTO BillNumberSeed (CardNumber, SeedPrefix, LastSerial) VALUES
  ('KX01', 'JK202601', 3),
  ('KX02', 'SR202601', 2),
  ('KX03', 'BX202601', 2);

-- The screen templates' fields; the print templates lay out the same fields.
WITH Fields (CardSection, intOrder, FieldName, CardItemName, intWidth, blnMustInput) AS (
  VALUES ('T', 1, 'strVouchID', '单据编号', 120, 1),
         ('T', 2, 'dtLoanDate', '单据日期', 100, 1),
         ('T', 3, 'strTypeCode', '业务类型', 100, 1),
         ('T', 4, 'strDepartID', '部门', 120, 1),
         ('T', 5, 'strLoanID', '人员', 100, 1),
         ('T', 6, 'strItem', '项目', 160, 0),
         ('T', 7, 'strBill', '币种', 80, 1),
         ('T', 8, 'fltRate', '汇率', 80, 1),
         ('T', 9, 'dblMoney', '金额', 120, 0),
         ('T', 10, 'strUsed', '用途', 240, 0))
INSERT INTO VoucherTemplateItems (vt_id, CardSection, intOrder, FieldName, CardItemName, intWidth,
                                  blnVisible, blnMustInput)
SELECT VoucherTemplates.vt_id, Fields.CardSection, Fields.intOrder, Fields.FieldName,
       Fields.CardItemName, Fields.intWidth, 1, Fields.blnMustInput
FROM VoucherTemplates CROSS JOIN Fields;

INSERT INTO VoucherTemplateItems (vt_id, CardSection, intOrder, FieldName, CardItemName, intWidth,
                                  blnVisible, blnMustInput)
VALUES
  (11, 'B', 1, 'strBalanceID', '结算方式', 100, 1, 1),
  (11, 'B', 2, 'dblMoney', '金额', 120, 1, 0),
  (11, 'B', 3, 'strBankName', '收款银行', 160, 1, 0),
  (11, 'B', 4, 'strBankAcc', '收款账号', 160, 1, 0),
  (12, 'B', 1, 'strBalanceID', '结算方式', 100, 1, 1),
  (12, 'B', 2, 'dblMoney', '金额', 120, 1, 0),
  (21, 'B', 1, 'strIOItem', '收支项目', 120, 1, 1),
  (21, 'B', 2, 'dblMoney', '金额', 120, 1, 1),
  (21, 'B', 3, 'strMemo', '摘要', 200, 1, 0),
  (22, 'B', 1, 'strIOItem', '收支项目', 120, 1, 1),
  (22, 'B', 2, 'dblMoney', '金额', 120, 1, 1),
  (31, 'B', 1, 'strIOItem', '收支项目', 120, 1, 1),
  (31, 'B', 2, 'dtBDate', '开始日期', 100, 1, 0),
  (31, 'B', 3, 'dtEDate', '结束日期', 100, 1, 0),
  (31, 'B', 4, 'dblMoney', '金额', 120, 1, 1),
  (31, 'B', 5, 'strMemo', '摘要', 200, 1, 0),
  (32, 'B', 1, 'strIOItem', '收支项目', 120, 1, 1),
  (32, 'B', 2, 'dblMoney', '金额', 120, 1, 1);

INSERT INTO VoucherFixedData (vt_id, strName, strValue) VALUES
  (11, 'title', '借款单'),
  (11, 'footer', '借款人签字：'),
  (12, 'title', '借款单'),
  (21, 'title', '收入报销单'),
  (22, 'title', '收入报销单'),
  (31, 'title', '费用报销单'),
  (31, 'footer', '报销人签字：'),
  (32, 'title', '费用报销单');

INSERT INTO prn_format (moduleid, formatxml) VALUES
  ('KX01', '<printset><page width="210" height="148" orient="landscape"/><title font="黑体" size="16"/></printset>');

-- A 1x1 PNG in the company colour.
INSERT INTO CompanyLogo (LogoID, ImageType, ImageData) VALUES
  (1, 'image/png', 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==');
