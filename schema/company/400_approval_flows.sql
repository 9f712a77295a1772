-- Approval flows of the account's vouchers: one row per voucher that has entered its flow, kept
-- by the embedded approval-flow component. cBillType is the voucher kind ("45" loans, "46" income
-- claims, "47" expense claims); iState 0 waiting for its first approver, 1 being approved,
-- 2 approved, 3 sent back to its maker.
CREATE TABLE ApprovalFlowInstances (
  cBillType nvarchar(4) COLLATE NOCASE NOT NULL,
  cBillGUID nvarchar(38) COLLATE NOCASE NOT NULL,
  cBillCode nvarchar(30) COLLATE NOCASE NULL,
  cDocument ntext NOT NULL,
  cSubmitter nvarchar(40) COLLATE NOCASE NULL,
  iState int NOT NULL DEFAULT 0,
  CONSTRAINT PK_ApprovalFlowInstances PRIMARY KEY (cBillType, cBillGUID)
);
