-- The demo company: departments, persons, currencies and rates, item classes and items.

INSERT INTO Department (cDepCode, cDepName, iDepGrade, bDepEnd) VALUES
  ('01', '总经理办公室', 1, 1),
  ('02', '财务部', 1, 1),
  ('03', '销售部', 1, 0),
  ('0301', '华东销售组', 2, 1),
  ('0302', '华北销售组', 2, 1),
  ('04', '技术部', 1, 1);

INSERT INTO Person (cPersonCode, cPersonName, cDepCode, cPersonEmail, cPersonPhone) VALUES
  ('0001', '周建国', '01', 'zhoujg@qinglan.example', '13801010001'),
  ('0002', '孙慧', '01', 'sunhui@qinglan.example', '13801010002'),
  ('0003', '李晓燕', '02', 'lixy@qinglan.example', '13801010003'),
  ('0004', '陈立伟', '02', 'chenlw@qinglan.example', '13801010004'),
  ('0005', '王海涛', '0301', 'wanght@qinglan.example', '13801010005'),
  ('0006', '赵敏', '0301', 'zhaomin@qinglan.example', '13801010006'),
  ('0007', '刘洋', '0302', 'liuyang@qinglan.example', '13801010007'),
  ('0008', '吴桂兰', '0302', 'wugl@qinglan.example', '13801010008'),
  ('0009', '郑凯', '04', 'zhengkai@qinglan.example', '13801010009'),
  ('0010', '何静', '04', 'hejing@qinglan.example', '13801010010');

INSERT INTO foreigncurrency (cexch_name, cexch_code, bcal, idec, nerror, iotherused) VALUES
  ('人民币', 'RMB', 1, 2, 0, -1),
  ('美元', 'USD', 1, 2, 0.01, 0);

-- US dollar: a rate for each period of 2026, and daily rates for the first days of January.
INSERT INTO exch (cexch_name, itype, iperiod, cdate, nflat) VALUES
  ('美元', 2, 1, '1', 7.18), ('美元', 2, 2, '2', 7.17), ('美元', 2, 3, '3', 7.19),
  ('美元', 2, 4, '4', 7.2), ('美元', 2, 5, '5', 7.21), ('美元', 2, 6, '6', 7.18),
  ('美元', 2, 7, '7', 7.16), ('美元', 2, 8, '8', 7.15), ('美元', 2, 9, '9', 7.14),
  ('美元', 2, 10, '10', 7.13), ('美元', 2, 11, '11', 7.12), ('美元', 2, 12, '12', 7.12),
  ('美元', 1, 1, '2026.01.05', 7.1832), ('美元', 1, 1, '2026.01.06', 7.1805),
  ('美元', 1, 1, '2026.01.07', 7.1779);

INSERT INTO fitem (citem_class, citem_name) VALUES ('01', '项目');
INSERT INTO fitemss01 (citemcode, citemname) VALUES
  ('P2601', '华东渠道拓展'),
  ('P2602', '新品发布会'),
  ('P2603', '售后服务升级');

INSERT INTO Inventory (cInvCode, cInvName) VALUES
  ('A001', '工业控制器'),
  ('A002', '变频驱动模块');

-- Further options the module reads: its start date, and daily (not period) exchange rates.
INSERT INTO AccInformation (cSysID, cID, cName, cCaption, cType, cValue, cDefault) VALUES
  ('KX', '301', 'dKXPeriodDate', '启用日期', 'Date', '2026-01-01', ''),
  ('AA', '101', 'iXchgRateStl', '按期间汇率结算', 'Boolean', 'False', 'False');
