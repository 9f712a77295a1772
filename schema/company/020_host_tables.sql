-- The host's company tables that the module reads or writes.

CREATE TABLE AccInformation (
  cSysID nvarchar(2) COLLATE NOCASE NOT NULL,
  cID nvarchar(10) COLLATE NOCASE NOT NULL,
  cName nvarchar(50) COLLATE NOCASE NOT NULL,
  cCaption nvarchar(100) COLLATE NOCASE NULL,
  cType nvarchar(20) COLLATE NOCASE NULL,
  cValue nvarchar(255) COLLATE NOCASE NULL,
  cDefault nvarchar(255) COLLATE NOCASE NULL,
  CONSTRAINT PK_AccInformation PRIMARY KEY (cSysID, cID)
);

CREATE TABLE Department (
  cDepCode nvarchar(12) COLLATE NOCASE NOT NULL,
  cDepName nvarchar(50) COLLATE NOCASE NOT NULL,
  iDepGrade tinyint NOT NULL DEFAULT 1,
  bDepEnd bit NOT NULL DEFAULT 1,
  CONSTRAINT PK_Department PRIMARY KEY (cDepCode)
);

CREATE TABLE Person (
  cPersonCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cPersonName nvarchar(40) COLLATE NOCASE NOT NULL,
  cDepCode nvarchar(12) COLLATE NOCASE NULL,
  cPersonEmail nvarchar(100) COLLATE NOCASE NULL,
  cPersonPhone nvarchar(40) COLLATE NOCASE NULL,
  CONSTRAINT PK_Person PRIMARY KEY (cPersonCode)
);

-- Currencies. Amounts convert to the home currency by the rate: iotherused = -1 marks the home
-- currency (amounts as they are), bcal = 1 multiplies by the rate, otherwise divides.
CREATE TABLE foreigncurrency (
  cexch_name nvarchar(20) COLLATE NOCASE NOT NULL,
  cexch_code nvarchar(10) COLLATE NOCASE NULL,
  bcal bit NOT NULL DEFAULT 1,
  idec tinyint NOT NULL DEFAULT 2,
  nerror float NULL,
  iotherused int NOT NULL DEFAULT 0,
  CONSTRAINT PK_foreigncurrency PRIMARY KEY (cexch_name)
);

-- Exchange rates: itype 1 daily rates (cdate 'yyyy.mm.dd'), itype 2 period rates (cdate holds
-- the period number).
CREATE TABLE exch (
  cexch_name nvarchar(20) COLLATE NOCASE NOT NULL,
  itype tinyint NOT NULL,
  iperiod tinyint NOT NULL,
  cdate nvarchar(10) COLLATE NOCASE NOT NULL,
  nflat float NULL,
  CONSTRAINT PK_exch PRIMARY KEY (cexch_name, itype, iperiod, cdate)
);

-- Voucher card templates: vt_templatemode 0 screen template, 1 print template.
CREATE TABLE VoucherTemplates (
  vt_id int NOT NULL,
  vt_name nvarchar(60) COLLATE NOCASE NOT NULL,
  vt_cardnumber nvarchar(10) COLLATE NOCASE NOT NULL,
  vt_templatemode tinyint NOT NULL DEFAULT 0,
  CONSTRAINT PK_VoucherTemplates PRIMARY KEY (vt_id)
);

-- Voucher cards with their default template.
CREATE TABLE Vouchers (
  CardNumber nvarchar(10) COLLATE NOCASE NOT NULL,
  CardName nvarchar(60) COLLATE NOCASE NULL,
  DEF_ID int NULL,
  CONSTRAINT PK_Vouchers PRIMARY KEY (CardNumber)
);

-- Item classes; the items of class c are in the table fitemss followed by c, those of the
-- class "ch" in Inventory.
CREATE TABLE fitem (
  citem_class nvarchar(2) COLLATE NOCASE NOT NULL,
  citem_name nvarchar(40) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_fitem PRIMARY KEY (citem_class)
);

CREATE TABLE fitemss01 (
  citemcode nvarchar(20) COLLATE NOCASE NOT NULL,
  citemname nvarchar(100) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_fitemss01 PRIMARY KEY (citemcode)
);

CREATE TABLE Inventory (
  cInvCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cInvName nvarchar(60) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_Inventory PRIMARY KEY (cInvCode)
);
