-- The demo company's approval flow, the same two steps for loans and both kinds of claims: the
-- department head, then the finance department. The demo administrator may approve both steps.
INSERT INTO ApprovalFlowSteps (cBillType, iStep, cStepName) VALUES
  ('45', 1, '部门审批'), ('45', 2, '财务审批'),
  ('46', 1, '部门审批'), ('46', 2, '财务审批'),
  ('47', 1, '部门审批'), ('47', 2, '财务审批');

INSERT INTO ApprovalFlowApprovers (cBillType, iStep, cUserID) VALUES
  ('45', 1, 'demo'), ('45', 2, 'demo'),
  ('46', 1, 'demo'), ('46', 2, 'demo'),
  ('47', 1, 'demo'), ('47', 2, 'demo');

-- The demo vouchers whose flows are complete went through both steps.
UPDATE ApprovalFlowInstances SET iDoneSteps = 2 WHERE iState = 2;
INSERT INTO ApprovalFlowHistory (cBillType, cBillGUID, iStep, iAction, cUserName, cRemark, dTime) VALUES
  ('45', '{3A6F0C21-5B1E-4C8A-9D01-000000000001}', 1, 1, '周建国', '同意', '2026-01-06 10:00:00'),
  ('45', '{3A6F0C21-5B1E-4C8A-9D01-000000000001}', 2, 1, '周建国', '同意', '2026-01-06 15:00:00'),
  ('47', '{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 1, 1, '周建国', '同意', '2026-01-12 10:00:00'),
  ('47', '{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 2, 1, '周建国', '同意', '2026-01-12 15:00:00');
