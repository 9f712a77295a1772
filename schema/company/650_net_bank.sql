-- The embedded net bank's bills: one per payment row (a loan line or a claim's receipt or payment
-- row) handed to the bank and not taken back. cBill holds the bill record as it was handed over;
-- the other columns are read from it. iState: 0 waiting for the bank, 1 confirmed (the payment
-- row's blnNetOK is then 1), 2 rejected by the bank. cPZSource names the module whose ledger
-- voucher the paid row belongs to ('KX'), Null while it belongs to none.
CREATE TABLE NetBankBills (
  cPayRowGUID nvarchar(38) COLLATE NOCASE NOT NULL,
  iSource int NOT NULL,
  cNoteNo nvarchar(40) COLLATE NOCASE NULL,
  cExch_name nvarchar(20) COLLATE NOCASE NULL,
  iAmount_f money NULL,
  iAmount money NULL,
  cNatBankAccount nvarchar(50) COLLATE NOCASE NULL,
  cBankAccount nvarchar(40) COLLATE NOCASE NULL,
  cPerson nvarchar(40) COLLATE NOCASE NULL,
  cBill ntext NOT NULL,
  iState int NOT NULL DEFAULT 0,
  cPZSource nvarchar(10) COLLATE NOCASE NULL,
  CONSTRAINT PK_NetBankBills PRIMARY KEY (cPayRowGUID)
);
