-- Flow records of the demo vouchers that were submitted: the approved loan and expense claim, and
-- the income claim still waiting for its approver, each submitted by 周建国 (the submitter is kept
-- by user name). The opening-balance loan never enters a flow.
INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, iState)
VALUES
  ('45', '{3A6F0C21-5B1E-4C8A-9D01-000000000001}', 'JK2026010001', '<EAdata/>', '周建国', 2),
  ('46', '{7C2E9B40-1D3F-4E6A-8B02-000000000002}', 'SR2026010002', '<EAdata/>', '周建国', 0),
  ('47', '{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 'BX2026010001', '<EAdata/>', '周建国', 2);
