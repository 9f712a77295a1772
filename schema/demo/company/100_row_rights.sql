-- The demo company's row rights: departments, persons, items and users are under control. The
-- clerks' group may see the finance department and the East China sales group, the two finance
-- persons and the items of the project class 01; the clerk himself also the salesman 0005 and
-- the vouchers he entered.
INSERT INTO RowRightObject (cBusObject, cName, bControl) VALUES
  ('department', '部门', 1),
  ('person', '人员', 1),
  ('fitem', '项目', 1),
  ('user', '操作员', 1);

INSERT INTO RowRightGrant (cHolder_ID, iIsUser, cBusObject, cKey, cObjectID) VALUES
  ('KXCLERK', 0, 'department', '', '02'),
  ('KXCLERK', 0, 'department', '', '0301'),
  ('KXCLERK', 0, 'person', '', '0003'),
  ('KXCLERK', 0, 'person', '', '0004'),
  ('clerk', 1, 'person', '', '0005'),
  ('KXCLERK', 0, 'fitem', '01', 'P2601'),
  ('KXCLERK', 0, 'fitem', '01', 'P2602'),
  ('KXCLERK', 0, 'fitem', '01', 'P2603'),
  ('clerk', 1, 'user', '', 'clerk');
