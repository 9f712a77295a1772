-- What the voucher lists filter on: submitted vouchers by approval state, and the vouchers of one
-- posting batch.
CREATE INDEX IX_KX_LoanVouch_audit ON KX_LoanVouch (blnAudi, AutoID);
CREATE INDEX IX_KX_ExpenVouch_audit ON KX_ExpenVouch (blnAudi, AutoID);
