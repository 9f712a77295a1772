-- A second item class, cost centres, and the inventory as the item class "ch".
INSERT INTO fitem (citem_class, citem_name) VALUES
  ('02', '成本中心'),
  ('ch', '存货');
INSERT INTO fitemss02 (citemcode, citemname) VALUES
  ('C01', '生产一车间'),
  ('C02', '装配车间');
