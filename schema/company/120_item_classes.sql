-- A second item class table; the items of class c live in fitemss followed by c.
CREATE TABLE fitemss02 (
  citemcode nvarchar(20) COLLATE NOCASE NOT NULL,
  citemname nvarchar(100) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_fitemss02 PRIMARY KEY (citemcode)
);
