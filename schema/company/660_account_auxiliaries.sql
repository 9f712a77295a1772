-- What auxiliary accounting each ledger account carries: its item class (cass_item; "ch" the
-- inventory), persons, departments, customers, vendors and the user-defined fields 1 to 16. A
-- draft ledger line keeps an auxiliary value only where its account carries it.
ALTER TABLE code ADD COLUMN cass_item nvarchar(2) COLLATE NOCASE NULL;
ALTER TABLE code ADD COLUMN bperson bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bdept bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcus bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bsup bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine1 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine2 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine3 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine4 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine5 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine6 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine7 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine8 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine9 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine10 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine11 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine12 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine13 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine14 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine15 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN bcDefine16 bit NOT NULL DEFAULT 0;
ALTER TABLE code ADD COLUMN cmeasure nvarchar(10) COLLATE NOCASE NULL;

-- Ledger lines keep a name and the user-defined fields of their source.
ALTER TABLE GL_accvouch ADD COLUMN cname nvarchar(40) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine1 nvarchar(20) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine2 nvarchar(20) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine3 nvarchar(20) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine4 datetime NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine5 int NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine6 datetime NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine7 float NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine8 nvarchar(4) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine9 nvarchar(8) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine10 nvarchar(60) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine11 nvarchar(120) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine12 nvarchar(120) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine13 nvarchar(120) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine14 nvarchar(120) COLLATE NOCASE NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine15 int NULL;
ALTER TABLE GL_accvouch ADD COLUMN cdefine16 float NULL;

-- The ledger's voucher types (csign, with the text shown for it), customers and vendors.
CREATE TABLE dsign (
  csign nvarchar(4) COLLATE NOCASE NOT NULL,
  ctext nvarchar(20) COLLATE NOCASE NULL,
  CONSTRAINT PK_dsign PRIMARY KEY (csign)
);
CREATE TABLE Customer (
  cCusCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cCusAbbName nvarchar(60) COLLATE NOCASE NULL,
  CONSTRAINT PK_Customer PRIMARY KEY (cCusCode)
);
CREATE TABLE Vendor (
  cVenCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cVenAbbName nvarchar(60) COLLATE NOCASE NULL,
  CONSTRAINT PK_Vendor PRIMARY KEY (cVenCode)
);
