-- The approval lists count and cut their pages over the submitted vouchers by AutoID and test
-- the approver and the flow's GUIDs: these indexes hold all of it, so the keys are read without
-- visiting the vouchers.
CREATE INDEX IX_KX_LoanVouch_audit ON KX_LoanVouch (blnAudi, AutoID, strAuditorID, GUID);
CREATE INDEX IX_KX_ExpenVouch_audit ON KX_ExpenVouch (blnAudi, AutoID, strAuditorID, GUID);
