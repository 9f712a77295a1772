-- The host ledger's voucher locks: one row per ledger voucher (source system, voucher type word,
-- number) that some program is working on; the ledger does not edit a locked voucher.
CREATE TABLE gl_mvocontrol (
  coutsysname nvarchar(50) COLLATE NOCASE NOT NULL,
  coutsign nvarchar(80) COLLATE NOCASE NOT NULL,
  coutno_id nvarchar(50) COLLATE NOCASE NOT NULL,
  cauth nvarchar(50) COLLATE NOCASE NULL,
  cuser nvarchar(50) COLLATE NOCASE NULL,
  cmachine nvarchar(100) COLLATE NOCASE NULL,
  CONSTRAINT PK_gl_mvocontrol PRIMARY KEY (coutsysname, coutsign, coutno_id)
);

-- The ledger's month-end closing: bflag 1 marks a closed period of the account's year.
CREATE TABLE gl_mend (
  iperiod tinyint NOT NULL,
  bflag bit NOT NULL DEFAULT 0,
  CONSTRAINT PK_gl_mend PRIMARY KEY (iperiod)
);

-- ssxznum: a number another ledger process gave the voucher (it may then not be voided).
ALTER TABLE GL_accvouch ADD COLUMN ssxznum nvarchar(30) COLLATE NOCASE NULL;

-- be 1: the account keeps the settle style and bill number of its lines.
ALTER TABLE code ADD COLUMN be bit NOT NULL DEFAULT 0;
