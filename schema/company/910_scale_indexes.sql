-- Indexes that keep the requests on an account of a million vouchers about as cheap as on a small
-- one. Each is made only where it is missing, so that this file also brings an account made
-- before it up to date.

-- The claim number check compares the kind as it stands ("strVouchID = ... And substr(strTypeCode,
-- 1, 1) = ..."), which the unique index over the kind's NOCASE form cannot serve: this index finds
-- the number itself.
CREATE INDEX IF NOT EXISTS IX_KX_ExpenVouch_strVouchID ON KX_ExpenVouch (strVouchID);

-- The approval lists count, cut and walk the vouchers awaiting approval by AutoID and test the
-- flow's GUIDs: these partial indexes hold only those vouchers, and all the lists read of them.
-- Their conditions are written as the translated lists write them, so that SQLite can use them;
-- they lead with blnAudi as the indexes of all submitted vouchers do, so that SQLite prefers
-- them without statistics.
CREATE INDEX IF NOT EXISTS IX_KX_LoanVouch_awaiting ON KX_LoanVouch (blnAudi, AutoID, strAuditorID, GUID)
  WHERE blnAudi = 1 AND (CASE ifnull(strAuditorID, '') WHEN '' THEN 0 ELSE 1 END) = 0;
CREATE INDEX IF NOT EXISTS IX_KX_ExpenVouch_awaiting ON KX_ExpenVouch (blnAudi, AutoID, strAuditorID, GUID)
  WHERE blnAudi = 1 AND (CASE ifnull(strAuditorID, '') WHEN '' THEN 0 ELSE 1 END) = 0;
-- They leave out the vouchers their flow sent back, found by kind and state.
CREATE INDEX IF NOT EXISTS IX_ApprovalFlowInstances_state ON ApprovalFlowInstances (cBillType, iState, cBillGUID);

-- A conversion and a voiding find the vouchers of a ledger voucher by its batch id.
CREATE INDEX IF NOT EXISTS IX_KX_LoanVouch_PZGUID ON KX_LoanVouch (PZGUID);
CREATE INDEX IF NOT EXISTS IX_KX_ExpenVouch_PZGUID ON KX_ExpenVouch (PZGUID);
