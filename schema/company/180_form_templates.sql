-- The host's form templates: the fields a voucher template lays out (section 'T' head, 'B'
-- lines, in intOrder), the fixed texts of a template (title, footer) and the company logo
-- (image data as base64 text; at most one row).
CREATE TABLE VoucherTemplateItems (
  vt_id int NOT NULL,
  CardSection nchar(1) NOT NULL,
  intOrder int NOT NULL,
  FieldName nvarchar(50) COLLATE NOCASE NOT NULL,
  CardItemName nvarchar(60) NOT NULL,
  intWidth int NOT NULL DEFAULT 100,
  blnVisible bit NOT NULL DEFAULT 1,
  blnMustInput bit NOT NULL DEFAULT 0,
  CONSTRAINT PK_VoucherTemplateItems PRIMARY KEY (vt_id, CardSection, FieldName)
);

CREATE TABLE VoucherFixedData (
  vt_id int NOT NULL,
  strName nvarchar(50) COLLATE NOCASE NOT NULL,
  strValue nvarchar(200) NULL,
  CONSTRAINT PK_VoucherFixedData PRIMARY KEY (vt_id, strName)
);

CREATE TABLE CompanyLogo (
  LogoID int NOT NULL DEFAULT 1 CHECK (LogoID = 1),
  ImageType nvarchar(20) NOT NULL,
  ImageData ntext NOT NULL,
  CONSTRAINT PK_CompanyLogo PRIMARY KEY (LogoID)
);
