-- Print formats of the web client, one per module key that the client chooses.
CREATE TABLE prn_format (
  moduleid nvarchar(100) COLLATE NOCASE NOT NULL,
  formatxml ntext NULL,
  CONSTRAINT PK_prn_format PRIMARY KEY (moduleid)
);
