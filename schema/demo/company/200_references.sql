-- The demo company's user-defined fields and values, units, summaries and grid defaults.
INSERT INTO UserDefField (cFieldName, cCaption, iLength, bCheck) VALUES
  ('cDefine1', '项目阶段', 20, 1),
  ('cDefine2', '备注', 10, 0),
  ('cFree1', '颜色', 20, 1);

INSERT INTO UserDefine (cID, cValue) VALUES
  ('cDefine1', '立项'), ('cDefine1', '实施'), ('cDefine1', '验收'),
  ('cFree1', '红'), ('cFree1', '蓝');

INSERT INTO fd_accunit (iid, cUnitCode, cUnitName, cMark, iType, accunit_id) VALUES
  (1, 'U01', '苏州总部', NULL, 0, '001'),
  (2, 'U02', '上海分公司', NULL, 0, '001'),
  (3, 'U03', '南京办事处', 'O''Neil 联络', 1, '001');

INSERT INTO ColumnSetting (cUser_ID, cKey, cXml) VALUES
  ('', 'KX0301', '<columns key="KX0301"><column name="strVouchID" caption="单据号" width="90"/><column name="dtLoanDate" caption="日期" width="80"/></columns>');
