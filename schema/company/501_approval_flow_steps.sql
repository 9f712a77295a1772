-- The approval flows of the account's voucher kinds: a kind with a flow has ordered steps, each
-- with the users (by id) who may approve it; a voucher of a kind without a flow enters none when it is
-- submitted. iDoneSteps counts the steps of a voucher's flow that are approved; the history keeps
-- every approval step and every step taken back (iAction 1 approved, -1 taken back).
CREATE TABLE ApprovalFlowSteps (
  cBillType nvarchar(4) COLLATE NOCASE NOT NULL,
  iStep int NOT NULL,
  cStepName nvarchar(40) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_ApprovalFlowSteps PRIMARY KEY (cBillType, iStep)
);

CREATE TABLE ApprovalFlowApprovers (
  cBillType nvarchar(4) COLLATE NOCASE NOT NULL,
  iStep int NOT NULL,
  cUserID nvarchar(20) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_ApprovalFlowApprovers PRIMARY KEY (cBillType, iStep, cUserID)
);

ALTER TABLE ApprovalFlowInstances ADD COLUMN iDoneSteps int NOT NULL DEFAULT 0;

CREATE TABLE ApprovalFlowHistory (
  iID INTEGER PRIMARY KEY AUTOINCREMENT,
  cBillType nvarchar(4) COLLATE NOCASE NOT NULL,
  cBillGUID nvarchar(38) COLLATE NOCASE NOT NULL,
  iStep int NOT NULL,
  iAction int NOT NULL,
  cUserName nvarchar(40) COLLATE NOCASE NOT NULL,
  cRemark nvarchar(200) COLLATE NOCASE NULL,
  dTime datetime NOT NULL
);
