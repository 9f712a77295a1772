-- The demo company's places under the code rule 122: regions, cities and districts.
INSERT INTO KX_Position (strPositionCode, strPositionName, strGradeID, strUpCode) VALUES
  ('1', '华北', NULL, NULL),
  ('101', '北京', '01', '1'),
  ('10101', '海淀区', '01', '101'),
  ('102', '天津', '02', '1'),
  ('2', '华东', NULL, NULL),
  ('201', '上海', '01', '2'),
  ('202', '杭州', '02', '2');
