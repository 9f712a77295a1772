-- The host's general-ledger entries: one row per entry line of a ledger voucher (csign, iperiod,
-- ino_id name the voucher). A voucher made by this module carries the source tag 'kx' in
-- coutsysname, the source voucher's GUID in coutid and the posting batch id in coutno_id, which
-- the source voucher keeps in PZGUID. iflag 1 is a voided voucher, 2 an error voucher; ibook 1 a
-- booked one.
CREATE TABLE GL_accvouch (
  i_id INTEGER PRIMARY KEY AUTOINCREMENT,
  iperiod tinyint NOT NULL,
  csign nvarchar(4) COLLATE NOCASE NULL,
  isignseq tinyint NULL,
  ino_id smallint NOT NULL,
  inid smallint NULL,
  dbill_date datetime NULL,
  idoc smallint NULL,
  cbill nvarchar(20) COLLATE NOCASE NULL,
  ccheck nvarchar(20) COLLATE NOCASE NULL,
  cbook nvarchar(20) COLLATE NOCASE NULL,
  ibook tinyint NULL DEFAULT 0,
  ccashier nvarchar(20) COLLATE NOCASE NULL,
  iflag tinyint NULL,
  cdigest nvarchar(120) COLLATE NOCASE NULL,
  ccode nvarchar(15) COLLATE NOCASE NULL,
  cexch_name nvarchar(8) COLLATE NOCASE NULL,
  md money NULL DEFAULT 0,
  mc money NULL DEFAULT 0,
  md_f money NULL DEFAULT 0,
  mc_f money NULL DEFAULT 0,
  nfrat float NULL DEFAULT 0,
  nd_s float NULL DEFAULT 0,
  nc_s float NULL DEFAULT 0,
  csettle nvarchar(23) COLLATE NOCASE NULL,
  cn_id nvarchar(30) COLLATE NOCASE NULL,
  dt_date datetime NULL,
  cdept_id nvarchar(12) COLLATE NOCASE NULL,
  cperson_id nvarchar(20) COLLATE NOCASE NULL,
  ccus_id nvarchar(20) COLLATE NOCASE NULL,
  csup_id nvarchar(20) COLLATE NOCASE NULL,
  citem_id nvarchar(20) COLLATE NOCASE NULL,
  citem_class nvarchar(2) COLLATE NOCASE NULL,
  ccode_equal nvarchar(50) COLLATE NOCASE NULL,
  ioutyear smallint NULL,
  coutsysname nvarchar(50) COLLATE NOCASE NULL,
  coutsysver nvarchar(50) COLLATE NOCASE NULL,
  doutbilldate datetime NULL,
  ioutperiod tinyint NULL,
  coutsign nvarchar(80) COLLATE NOCASE NULL,
  coutno_id nvarchar(50) COLLATE NOCASE NULL,
  doutdate datetime NULL,
  coutbillsign nvarchar(20) COLLATE NOCASE NULL,
  coutid nvarchar(50) COLLATE NOCASE NULL,
  iyear smallint NULL,
  iYPeriod int NULL,
  ibg_overflag tinyint NULL
);
CREATE INDEX IX_GL_accvouch_voucher ON GL_accvouch (iperiod, csign, ino_id);
-- The ledger list reads the module's vouchers by source; the posting list by batch id.
CREATE INDEX IX_GL_accvouch_outsource ON GL_accvouch (coutsysname, ioutyear, coutid);
CREATE INDEX IX_GL_accvouch_outno ON GL_accvouch (coutno_id);
