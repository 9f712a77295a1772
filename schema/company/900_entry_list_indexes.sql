-- The in-entry lists and the card navigation walk, by AutoID, the vouchers that no approver has
-- taken yet (in entry, or submitted and waiting): these partial indexes hold only those, so the
-- walk does not pass over the approved vouchers, which are nearly all of them. Their conditions
-- are written as the translated navigation queries write them, so that SQLite can use them.
CREATE INDEX IX_KX_LoanVouch_entry ON KX_LoanVouch (blnAudi, AutoID)
  WHERE blnBegin = 0 AND ifnull(strAuditorID, '') = '';
CREATE INDEX IX_KX_ExpenVouch_entry ON KX_ExpenVouch (blnAudi, AutoID)
  WHERE ifnull(strAuditorID, '') = '';
